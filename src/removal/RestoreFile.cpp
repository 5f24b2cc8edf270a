#include "removal/RestoreFile.h"

#include "platform/Dateiexistenz.h"
#include "platform/Handles.h"

#include <algorithm>

namespace RestoreFile {

namespace {

constexpr char Header[] = "Windows Registry Editor Version 5.00";
constexpr size_t HeaderChars = sizeof Header - 1;
// Byte order mark and header, as the registry editor writes them.
constexpr size_t Utf16HeadBytes = 2 + 2 * HeaderChars;

bool DeleteIfExists(const std::wstring& file)
{
    return !Dateiexistenz::FileExists(file) || DeleteFileW(file.c_str()) != FALSE;
}

// Creates the file anew and writes it through to the disk. A file of that
// name that is there already is someone else's and stays as it is; a
// partial file of ours must not pass for a complete one.
Pending WriteNew(const std::wstring& file, const std::string& bytes)
{
    {
        FileHandle out(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                   nullptr));
        if (!out) return GetLastError() == ERROR_FILE_EXISTS ? Pending::Taken : Pending::Failed;
        DWORD written = 0;
        if (WriteFile(out.get(), bytes.data(), DWORD(bytes.size()), &written, nullptr)
            && written == bytes.size() && FlushFileBuffers(out.get()))
            return Pending::Written;
    }
    (void)DeleteFileW(file.c_str());
    return Pending::Failed;
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
    const FileHandle in = OpenHeld(file);
    return in && ReadBytes(in.get(), bytes);
}

FileHandle OpenHeld(const std::wstring& file)
{
    return FileHandle(CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool ReadBytes(HANDLE file, std::string& bytes)
{
    LARGE_INTEGER size, start{};
    if (!GetFileSizeEx(file, &size) || size.QuadPart > 0x7FFFFFFF
        || !SetFilePointerEx(file, start, nullptr, FILE_BEGIN))
        return false;
    std::string content(size_t(size.QuadPart), '\0');
    size_t done = 0;
    while (done < content.size()) {
        DWORD got = 0;
        if (!ReadFile(file, content.data() + done, DWORD(content.size() - done), &got, nullptr)) return false;
        if (got == 0) return false; // shorter than its size said
        done += got;
    }
    bytes = std::move(content);
    return true;
}

std::string Merge(const std::string& mainExport, const std::string& userExport)
{
    if (mainExport.empty() || userExport.empty()) return mainExport.empty() ? userExport : mainExport;
    return mainExport + userExport.substr(std::min(BodyStart(userExport), userExport.size()));
}

Pending WritePending(const Paths& paths, const std::string& bytes, std::string& onDisk)
{
    if (const Pending written = WriteNew(paths.pending, bytes); written != Pending::Written) return written;
    if (ReadBytes(paths.pending, onDisk)) return Pending::Written;
    (void)DeleteFileW(paths.pending.c_str());
    return Pending::Failed;
}

bool ReplaceRestoreFile(const Paths& paths)
{
    return MoveFileExW(paths.pending.c_str(), paths.restore.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

void DeleteExports(const Paths& paths)
{
    (void)DeleteIfExists(paths.mainExport);
    (void)DeleteIfExists(paths.userExport);
}

} // namespace RestoreFile
