#include "support/TestSupport.h"

#include "platform/Handles.h"
#include "platform/PlainFile.h"
#include "platform/Registry.h"
#include "removal/RegFile.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>

#include <gtest/gtest.h>

namespace test {

namespace {

void RemoveVelmora()
{
    const std::pair<HKEY, const wchar_t*> roots[] = {
        {HKEY_LOCAL_MACHINE, Velmora}, {HKEY_LOCAL_MACHINE, Velmora32}, {HKEY_CURRENT_USER, Velmora}};
    for (const auto& [root, path] : roots) {
        const LSTATUS status = RegDeleteTreeW(root, path);
        ASSERT_TRUE(status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND)
            << "could not clear the product root, status " << status;
    }
}

} // namespace

CleanVelmora::CleanVelmora() { RemoveVelmora(); }
CleanVelmora::~CleanVelmora() { RemoveVelmora(); }

void CreateKey(HKEY root, const std::wstring& path, REGSAM view)
{
    KeyHandle key;
    const LSTATUS status = RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view,
                                           nullptr, key.put(), nullptr);
    ASSERT_EQ(status, ERROR_SUCCESS) << "creating " << Narrow(path);
}

void SetValue(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
              const void* data, DWORD bytes, REGSAM view)
{
    KeyHandle key;
    ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr,
                              key.put(), nullptr), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), bytes),
              ERROR_SUCCESS) << "setting " << Narrow(name);
}

void SetString(HKEY root, const std::wstring& path, const std::wstring& name,
               const std::wstring& text, DWORD type, REGSAM view)
{
    SetValue(root, path, name, type, text.c_str(), DWORD((text.size() + 1) * sizeof(wchar_t)), view);
}

void SetDword(HKEY root, const std::wstring& path, const std::wstring& name, DWORD value, REGSAM view)
{
    SetValue(root, path, name, REG_DWORD, &value, sizeof value, view);
}

void AddProduct(HKEY root, const std::wstring& name, const wchar_t* installDir, const wchar_t* version,
                REGSAM view)
{
    const std::wstring path = std::wstring(Velmora) + L"\\" + name;
    CreateKey(root, path, view);
    if (installDir) SetString(root, path, L"InstallDir", installDir, REG_SZ, view);
    if (version) SetString(root, path, L"Version", version, REG_SZ, view);
}

bool KeyExists(HKEY root, const std::wstring& path, REGSAM view)
{
    KeyHandle key;
    return RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, key.put()) == ERROR_SUCCESS;
}

namespace {

// The Unix path Wine maps a Windows path to; empty outside Wine.
std::string UnixPath(const std::wstring& path)
{
    using ToUnix = char*(CDECL*)(const wchar_t*);
    const auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* unix = toUnix ? toUnix(path.c_str()) : nullptr;
    if (!unix) return {};
    std::string result = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

std::wstring Widened(const std::string& utf8)
{
    std::wstring wide(utf8.size(), L'\0');
    wide.resize(size_t(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(), int(wide.size()))));
    return wide;
}

// Runs a Unix command through Wine's start /unix and waits for it.
bool RunOnUnixSide(const std::wstring& arguments)
{
    std::wstring line = L"cmd.exe /c start /wait /unix " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup, &pi))
        return false;
    ProcessHandle thread(pi.hThread), process(pi.hProcess);
    return WaitForSingleObject(process.get(), 30000) == WAIT_OBJECT_0;
}

} // namespace

ScratchFolder::ScratchFolder()
{
    wchar_t temp[MAX_PATH];
    const DWORD n = GetTempPathW(MAX_PATH, temp);
    EXPECT_GT(n, 0u);
    static int counter = 0;
    // A folder of an earlier run whose process had the same number may be left.
    do path_ = std::wstring(temp) + L"Tessarine Test \u00c4 " + std::to_wstring(GetCurrentProcessId()) + L"-"
             + std::to_wstring(++counter);
    while (!CreateDirectoryW(path_.c_str(), nullptr) && GetLastError() == ERROR_ALREADY_EXISTS);
    EXPECT_TRUE(FileThere(path_)) << Narrow(path_);
}

ScratchFolder::~ScratchFolder()
{
    WIN32_FIND_DATAW data;
    FindHandle find(FindFirstFileW((path_ + L"\\*").c_str(), &data));
    if (find) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring full = path_ + L"\\" + name;
            SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            // Under Wine a deletion by name deletes a link's target: a name goes as a name.
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveDirectoryW(full.c_str());
            else PlainFile::Remove(full);
        } while (FindNextFileW(find.get(), &data));
    }
    find.reset();
    // Links that lead nowhere do not show in a listing under Wine.
    if (!RemoveDirectoryW(path_.c_str()) && FileThere(path_)) {
        const std::string unix = UnixPath(path_);
        if (!unix.empty()) RunOnUnixSide(L"/bin/rm -rf \"" + Widened(unix) + L"\"");
    }
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes)
{
    FileHandle out(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(out) << "cannot create " << Narrow(path);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(out.get(), bytes.data(), DWORD(bytes.size()), &written, nullptr));
    ASSERT_EQ(written, bytes.size());
}

std::string ReadFileBytes(const std::wstring& path)
{
    FileHandle in(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!in) return {};
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(in.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    return bytes;
}

bool FileThere(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

namespace {

// Runs a shell command on the Unix side to its end, for a name beside the
// folder's other files. start /wait does not wait for a Unix program: the
// command is done once the marker it writes last is there.
bool RunToItsEnd(const std::wstring& command, const std::wstring& beside)
{
    const std::string at = UnixPath(beside);
    if (at.empty()) return false;
    const std::wstring marker = beside + L".done";
    if (!RunOnUnixSide(L"/bin/sh -c \"" + command + L" && touch '" + Widened(at) + L".done'\"")) return false;
    const ULONGLONG end = GetTickCount64() + 20000;
    while (!FileThere(marker)) {
        if (GetTickCount64() > end) return false;
        Sleep(20);
    }
    return DeleteFileW(marker.c_str()) != FALSE;
}

} // namespace

bool MakeLink(const std::wstring& target, const std::wstring& link)
{
    const std::string from = UnixPath(target), at = UnixPath(link);
    if (from.empty() || at.empty()) return false;
    return RunToItsEnd(L"ln -s '" + Widened(from) + L"' '" + Widened(at) + L"'", link);
}

bool RemoveLink(const std::wstring& link)
{
    const std::string at = UnixPath(link);
    return !at.empty() && RunToItsEnd(L"rm -f '" + Widened(at) + L"'", link);
}

std::string Utf16File(const std::wstring& text)
{
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : text) {
        bytes += char(c & 0xFF);
        bytes += char((c >> 8) & 0xFF);
    }
    return bytes;
}

std::vector<std::wstring> Split(const std::wstring& text, const std::wstring& by)
{
    std::vector<std::wstring> parts;
    for (size_t at = 0;;) {
        const size_t end = text.find(by, at);
        parts.push_back(text.substr(at, end == std::wstring::npos ? end : end - at));
        if (end == std::wstring::npos) return parts;
        at = end + by.size();
    }
}

std::string RegistryDump(const std::wstring& below)
{
    std::wstring dump;
    // The 32-bit view is read through KEY_WOW64_32KEY, as its installers
    // write it, not by the path the program uses.
    const struct {
        HKEY root;
        REGSAM view;
        const wchar_t* label;
    } where[] = {{HKEY_LOCAL_MACHINE, 0, L"[HKLM\\"},
                 {HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, L"[HKLM32\\"},
                 {HKEY_CURRENT_USER, 0, L"[HKCU\\"}};
    for (const auto& [root, view, label] : where) {
        if (!KeyExists(root, below, view)) continue;
        const size_t slash = below.find_last_of(L'\\');
        KeyHandle parent;
        std::vector<Registry::KeyContent> keys;
        if (RegOpenKeyExW(root, below.substr(0, slash).c_str(), 0, KEY_READ | view, parent.put()) != ERROR_SUCCESS
            || !Registry::RegTreeRead(parent.get(), below.substr(slash + 1), keys)) {
            ADD_FAILURE() << "the key could not be read: " << Narrow(below);
            return {};
        }
        std::sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) { return a.path < b.path; });
        for (auto& key : keys) {
            dump += label + key.path + L"]\n";
            std::sort(key.values.begin(), key.values.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
            for (const auto& v : key.values) {
                dump += L"\"" + v.name + L"\" " + std::to_wstring(v.type) + L" ";
                for (unsigned char byte : v.data) dump += L"0123456789abcdef"[byte >> 4], dump += L"0123456789abcdef"[byte & 15];
                dump += L"\n";
            }
        }
    }
    if (dump.empty()) ADD_FAILURE() << "the registry holds no product at all";
    return Narrow(dump);
}

std::vector<std::wstring> KeysInFile(const std::wstring& file)
{
    std::vector<std::wstring> names;
    for (const auto& key : RegFile::Read(ReadFileBytes(file)).keys) names.push_back(key.name);
    return names;
}

bool RunAndWait(const std::wstring& commandLine, DWORD* exitCode)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::wstring line = commandLine;
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return false;
    ProcessHandle owner(process.hProcess), thread(process.hThread);
    if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) return false;
    return !exitCode || GetExitCodeProcess(process.hProcess, exitCode);
}

bool ExportKey(const std::wstring& fullKeyName, const std::wstring& file)
{
    return RunAndWait(L"regedit.exe /e \"" + file + L"\" \"" + fullKeyName + L"\"");
}

bool ImportFile(const std::wstring& file)
{
    return RunAndWait(L"regedit.exe /s \"" + file + L"\"");
}

bool TakeQuit(WPARAM* exitCode)
{
    MSG quit;
    if (!PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) return false;
    if (exitCode) *exitCode = quit.wParam;
    return true;
}

std::string Narrow(const std::wstring& text)
{
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(std::max(n, 0)), '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

int MinutesEastOfUtcNow()
{
    SYSTEMTIME utc, local;
    GetSystemTime(&utc);
    GetLocalTime(&local);
    FILETIME u, l;
    if (!SystemTimeToFileTime(&utc, &u) || !SystemTimeToFileTime(&local, &l)) return 0;
    const auto ticks = [](const FILETIME& t) { return LONGLONG((ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime); };
    // The two reads lie milliseconds apart; a zone's offset is whole minutes.
    return int(std::llround(double(ticks(l) - ticks(u)) / (60.0 * 10'000'000)));
}

testing::AssertionResult InTheExpectedZone()
{
    const char* expected = std::getenv("TESSARINE_EXPECT_UTC_OFFSETS");
    if (!expected) return testing::AssertionSuccess();
    const int now = MinutesEastOfUtcNow();
    for (const std::wstring& offset : Split(std::wstring(expected, expected + std::strlen(expected)), L","))
        if (!offset.empty() && std::stoi(offset) == now) return testing::AssertionSuccess();
    return testing::AssertionFailure() << "local time is " << now << " minutes east of UTC, not one of " << expected
                                       << ": the zone of this run did not take";
}

} // namespace test
