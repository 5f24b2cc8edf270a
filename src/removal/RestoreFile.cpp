#include "removal/RestoreFile.h"

#include "platform/Dateiexistenz.h"
#include "platform/Handles.h"
#include "platform/Registry.h"
#include "platform/Wartezeit.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <iterator>

namespace RestoreFile {

namespace {

// More kept restore files of one second than a user could make: a folder
// that holds them all is not ours to fill further.
constexpr int MaxKeptCopies = 1000;

constexpr char Header[] = "Windows Registry Editor Version 5.00";
constexpr size_t HeaderChars = sizeof Header - 1;
// Byte order mark and header, as the registry editor writes them.
constexpr size_t Utf16HeadBytes = 2 + 2 * HeaderChars;

bool DeleteIfExists(const std::wstring& file)
{
    return !Dateiexistenz::FileExists(file) || DeleteFileW(file.c_str()) != FALSE;
}

bool WriteBytes(const std::wstring& file, const std::string& bytes)
{
    {
        FileHandle out(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!out) return false;
        DWORD written = 0;
        if (WriteFile(out.get(), bytes.data(), DWORD(bytes.size()), &written, nullptr)
            && written == bytes.size() && FlushFileBuffers(out.get()))
            return true;
    }
    // A partial restore file must not pass for a complete one.
    (void)DeleteFileW(file.c_str());
    return false;
}

// Where the keys of an export begin: right after the text of its header
// line, found in UTF-16LE or in single-byte form; 74 bytes in when there is
// no header.
size_t BodyStart(const std::string& bytes)
{
    std::string wide;
    for (char c : std::string_view(Header, HeaderChars)) { wide += c; wide += '\0'; }
    auto same = [](char a, char b) { return std::tolower((unsigned char)a) == std::tolower((unsigned char)b); };
    auto find = [&](const std::string& what) {
        auto it = std::search(bytes.begin(), bytes.end(), what.begin(), what.end(), same);
        return it == bytes.end() ? std::string::npos : size_t(it - bytes.begin()) + what.size();
    };
    if (size_t end = find(wide); end != std::string::npos) return end;
    if (size_t end = find(std::string(Header, HeaderChars)); end != std::string::npos) return end;
    return Utf16HeadBytes;
}

} // namespace

Paths PathsIn(const std::wstring& workingFolder)
{
    return {workingFolder + L"\\Uninstall_1.reg", workingFolder + L"\\Uninstall_2.reg",
            workingFolder + L"\\Uninstall.tmp", workingFolder + L"\\Uninstall.reg",
            workingFolder + L"\\Uninstall.bak"};
}

bool ClearTemporaries(const Paths& paths)
{
    const bool main = DeleteIfExists(paths.mainExport);
    const bool user = DeleteIfExists(paths.userExport);
    const bool pending = DeleteIfExists(paths.pending);
    return main && user && pending;
}

bool ReadBytes(const std::wstring& file, std::string& bytes)
{
    FileHandle in(CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size;
    if (!in || !GetFileSizeEx(in.get(), &size) || size.QuadPart > 0x7FFFFFFF) return false;
    std::string content(size_t(size.QuadPart), '\0');
    size_t done = 0;
    while (done < content.size()) {
        DWORD got = 0;
        if (!ReadFile(in.get(), content.data() + done, DWORD(content.size() - done), &got, nullptr))
            return false;
        if (got == 0) return false; // shorter than its size said
        done += got;
    }
    bytes = std::move(content);
    return true;
}

Assembly Assemble(const Paths& paths, std::string& bytes)
{
    const bool main = Dateiexistenz::FileExists(paths.mainExport);
    const bool user = Dateiexistenz::FileExists(paths.userExport);
    if (!main && !user) return Assembly::NoExport;

    std::string assembled;
    if (main && user) {
        std::string userBytes;
        if (!ReadBytes(paths.userExport, userBytes)) return Assembly::Failed;
        const size_t start = std::min(BodyStart(userBytes), userBytes.size());
        Wartezeit::DoEvents();
        if (!ReadBytes(paths.mainExport, assembled)) return Assembly::Failed;
        assembled.append(userBytes, start);
    } else if (!ReadBytes(main ? paths.mainExport : paths.userExport, assembled)) {
        return Assembly::Failed;
    }
    bytes = std::move(assembled);
    return Assembly::Made;
}

bool WritePending(const Paths& paths, const std::string& bytes, std::string& onDisk)
{
    if (WriteBytes(paths.pending, bytes) && ReadBytes(paths.pending, onDisk)) return true;
    (void)DeleteFileW(paths.pending.c_str());
    return false;
}

std::wstring KeptPath(const Paths& paths, const SYSTEMTIME& replacedAt, int copy)
{
    wchar_t moment[32];
    std::swprintf(moment, std::size(moment), L" %04u-%02u-%02u %02u-%02u-%02u", unsigned(replacedAt.wYear),
                  unsigned(replacedAt.wMonth), unsigned(replacedAt.wDay), unsigned(replacedAt.wHour),
                  unsigned(replacedAt.wMinute), unsigned(replacedAt.wSecond));
    // The restore file's path without its ".reg".
    std::wstring path = paths.restore.substr(0, paths.restore.size() - 4) + moment;
    if (copy > 1) path += L" (" + std::to_wstring(copy) + L")";
    return path + L".reg";
}

namespace {

// Moves the restore file to the first free kept name, which kept receives;
// kept stays empty when there is no restore file. False when the file
// cannot be moved: it is then where it was.
bool MoveAside(const Paths& paths, const SYSTEMTIME& replacedAt, std::wstring& kept)
{
    for (int copy = 1; copy <= MaxKeptCopies; ++copy) {
        const std::wstring name = KeptPath(paths, replacedAt, copy);
        // Without MOVEFILE_REPLACE_EXISTING a name that is taken refuses
        // the move, so no file is ever overwritten, not even one made
        // between a look and the move.
        if (MoveFileExW(paths.restore.c_str(), name.c_str(), MOVEFILE_WRITE_THROUGH)) {
            kept = name;
            return true;
        }
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) return true; // no old restore file to keep
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) return false;
    }
    return false;
}

} // namespace

bool ReplaceRestoreFile(const Paths& paths, const SYSTEMTIME& replacedAt)
{
    std::wstring kept;
    if (!MoveAside(paths, replacedAt, kept)) return false;
    if (MoveFileExW(paths.pending.c_str(), paths.restore.c_str(), MOVEFILE_WRITE_THROUGH)) return true;
    // The old file goes back, so that the restore button finds the last
    // removal as before; if even that fails it stays kept under its name.
    if (!kept.empty()) (void)MoveFileExW(kept.c_str(), paths.restore.c_str(), MOVEFILE_WRITE_THROUGH);
    return false;
}

bool ReplaceRestoreFile(const Paths& paths)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return ReplaceRestoreFile(paths, now);
}

void DeleteExports(const Paths& paths)
{
    (void)DeleteIfExists(paths.mainExport);
    (void)DeleteIfExists(paths.userExport);
}

std::wstring TextOf(const std::string& bytes)
{
    if (bytes.size() >= 2 && (unsigned char)bytes[0] == 0xFF && (unsigned char)bytes[1] == 0xFE) {
        std::wstring text((bytes.size() - 2) / 2, L'\0');
        std::memcpy(text.data(), bytes.data() + 2, text.size() * 2);
        return text;
    }
    const int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), nullptr, 0);
    std::wstring text(size_t(std::max(n, 0)), L'\0');
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), text.data(), n);
    return text;
}

void ForEachLine(const std::wstring& text, const std::function<void(std::wstring_view)>& line)
{
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find(L'\n', at);
        if (end == std::wstring::npos) end = text.size();
        std::wstring_view view(text.data() + at, end - at);
        if (!view.empty() && view.back() == L'\r') view.remove_suffix(1);
        line(view);
        at = end + 1;
    }
}

std::vector<std::wstring> KeysIn(const std::wstring& file)
{
    std::string bytes;
    if (!ReadBytes(file, bytes)) return {};
    std::vector<std::wstring> keys;
    ForEachLine(TextOf(bytes), [&](std::wstring_view line) {
        if (line.size() > 2 && line.front() == L'[' && line.back() == L']')
            keys.emplace_back(line.substr(1, line.size() - 2));
    });
    return keys;
}

bool KeysPresent(const std::vector<std::wstring>& fullKeyNames)
{
    for (const auto& key : fullKeyNames) {
        const size_t slash = key.find(L'\\');
        const std::wstring root = key.substr(0, slash);
        const std::wstring path = slash == std::wstring::npos ? std::wstring() : key.substr(slash + 1);
        HKEY hRoot = nullptr;
        if (root == L"HKEY_LOCAL_MACHINE") hRoot = HKEY_LOCAL_MACHINE;
        else if (root == L"HKEY_CURRENT_USER") hRoot = HKEY_CURRENT_USER;
        if (!hRoot || path.empty() || !Registry::RegKeyExists(hRoot, path)) return false;
    }
    return true;
}

} // namespace RestoreFile
