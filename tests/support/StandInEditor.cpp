// A stand-in for the registry editor, for the faults the real one cannot be
// made to show. Started with the program's own command line
// (Regedit.exe /e "file" "key", or /s "file"); the environment variable
// TESSARINE_STAND_IN says what it does:
//   pass          runs the real editor and ends with its exit code
//   fail          runs the real editor, then ends with exit code 1
//   nothing       writes nothing and ends with exit code 0
//   drop-values   export: runs the real editor, then takes the values of the
//                 first key out of the export
//   drop-subkey   export: runs the real editor, then takes the last key out
//   slow          waits 1.5 s, then runs the real editor
//   plant-pending export: runs the real editor, then another user's
//                 Uninstall.tmp appears in the working folder
//   plant-export  export: runs the real editor, then another user's
//                 Uninstall_2.reg appears in the working folder
//   change-value, drop-value, drop-key
//                 import: runs the real editor, then changes the data of the
//                 last key's first value, deletes that value, or deletes the
//                 last key
//   tamper        import: tries to write, replace and delete the file, then
//                 runs the real editor
// Each of these leaves a line in stand-in-ran.txt next to the file it was
// given, so that a test knows it ran. Without the variable it is an editor
// planted where it must never run: it leaves the file planted-editor-ran.txt
// in its own folder and ends with 1.
#include "platform/RegistryEditor.h"
#include "removal/RegFile.h"
#include "removal/RestoreFile.h"
#include "removal/Workspace.h"
#include "support/TestSupport.h"

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace {

std::wstring Setting()
{
    wchar_t value[64] = L"";
    const DWORD n = GetEnvironmentVariableW(L"TESSARINE_STAND_IN", value, 64);
    return n > 0 && n < 64 ? value : L"";
}

std::wstring FolderOf(const std::wstring& file) { return file.substr(0, file.find_last_of(L'\\')); }

// The working folder of the file the program gave: the program's exports and
// imports lie in a workspace folder of its own inside it.
std::wstring WorkingFolderOf(const std::wstring& file)
{
    const std::wstring folder = FolderOf(file);
    const std::wstring leaf = folder.substr(folder.find_last_of(L'\\') + 1);
    return leaf.rfind(Workspace::Prefix, 0) == 0 ? FolderOf(folder) : folder;
}

void AppendLine(const std::wstring& file, const std::wstring& line)
{
    HANDLE out = CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE) return;
    const std::string text = test::Narrow(line + L"\n");
    DWORD written = 0;
    WriteFile(out, text.data(), DWORD(text.size()), &written, nullptr);
    CloseHandle(out);
}

void WriteBytes(const std::wstring& file, const std::string& bytes)
{
    HANDLE out = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(out, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    CloseHandle(out);
}

DWORD RunRealEditor()
{
    const std::wstring editor = RegistryEditor::Path();
    if (editor.empty()) return 2;
    std::wstring line = GetCommandLineW();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(editor.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return 2;
    DWORD code = 2;
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

// The export without the value lines of its first key, or without its last
// key section.
std::wstring Damaged(const std::wstring& text, bool values)
{
    std::vector<std::wstring> lines;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find(L'\n', at);
        if (end == std::wstring::npos) end = text.size() - 1;
        lines.push_back(text.substr(at, end + 1 - at));
        at = end + 1;
    }
    int keyLines = 0;
    size_t lastKey = lines.size();
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i][0] == L'[') { ++keyLines; lastKey = i; }
    std::wstring kept;
    int key = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i][0] == L'[') ++key;
        const bool value = lines[i][0] == L'"' || lines[i][0] == L'@' || lines[i][0] == L' ';
        if (values && key == 1 && value) continue;
        if (!values && keyLines > 1 && i >= lastKey) continue;
        kept += lines[i];
    }
    return kept;
}

void Damage(const std::wstring& file, bool values)
{
    const std::string bytes = test::ReadFileBytes(file);
    std::wstring text((bytes.size()) / 2, L'\0'); // still with its byte order mark
    if (!text.empty()) memcpy(text.data(), bytes.data(), text.size() * 2);
    const std::wstring damaged = Damaged(text, values);
    WriteBytes(file, std::string(reinterpret_cast<const char*>(damaged.data()), damaged.size() * 2));
}

// After the import: one change to the last key the file names.
void Tamper(const std::wstring& file, const std::wstring& how)
{
    const RegFile::Content content = RegFile::Read(test::ReadFileBytes(file));
    if (content.keys.empty()) return;
    const RegFile::Key& last = content.keys.back();
    const size_t slash = last.name.find(L'\\');
    const HKEY root = last.name.compare(0, slash, L"HKEY_LOCAL_MACHINE") == 0 ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    const std::wstring path = last.name.substr(slash + 1);
    if (how == L"drop-key") {
        RegDeleteTreeW(root, path.c_str());
        return;
    }
    if (last.values.empty()) return;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
    const RegFile::Value& v = last.values.front();
    if (how == L"drop-value") {
        RegDeleteValueW(key, v.name.c_str());
    } else {
        std::string data = v.data;
        if (data.empty()) data = "x";
        else data[0] = char(data[0] ^ 1);
        RegSetValueExW(key, v.name.c_str(), 0, v.type, reinterpret_cast<const BYTE*>(data.data()), DWORD(data.size()));
    }
    RegCloseKey(key);
}

// What another handle may do to the file while the editor has it.
std::wstring TryToChange(const std::wstring& file)
{
    std::wstring result;
    HANDLE write = CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    result += write == INVALID_HANDLE_VALUE ? L"write refused" : L"write allowed";
    if (write != INVALID_HANDLE_VALUE) CloseHandle(write);
    const std::wstring other = file + L".other";
    WriteBytes(other, "other");
    result += MoveFileExW(other.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING) ? L", replace allowed"
                                                                                   : L", replace refused";
    DeleteFileW(other.c_str());
    result += DeleteFileW(file.c_str()) ? L", delete allowed" : L", delete refused";
    return result;
}

} // namespace

int wmain()
{
    const std::wstring setting = Setting();
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    const std::wstring mode = argv && argc >= 3 ? argv[1] : L"";
    const std::wstring file = argv && argc >= 3 ? argv[2] : L"";
    LocalFree(argv);

    if (setting.empty()) {
        wchar_t self[MAX_PATH];
        const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
        WriteBytes(FolderOf(std::wstring(self, n)) + L"\\planted-editor-ran.txt", test::Narrow(GetCommandLineW()));
        return 1;
    }
    const std::wstring mark = WorkingFolderOf(file) + L"\\stand-in-ran.txt";
    const RestoreFile::Paths paths = RestoreFile::PathsIn(WorkingFolderOf(file));
    std::wstring note = setting + L" " + mode;
    if (setting == L"nothing") {
        AppendLine(mark, note);
        return 0;
    }
    if (setting == L"slow") Sleep(1500);
    if (setting == L"tamper") note += L": " + TryToChange(file);
    const DWORD code = RunRealEditor();
    if (mode == L"/e" && (setting == L"drop-values" || setting == L"drop-subkey")) Damage(file, setting == L"drop-values");
    if (mode == L"/e" && setting == L"plant-pending") WriteBytes(paths.pending, "someone else's");
    if (mode == L"/e" && setting == L"plant-export")
        WriteBytes(paths.userExport, test::Utf16File(test::RegHead
                                                     + L"[HKEY_CURRENT_USER\\Software\\Velmora\\Planted]\r\n"
                                                     L"\"x\"=\"y\"\r\n\r\n"));
    if (mode == L"/s" && (setting == L"change-value" || setting == L"drop-value" || setting == L"drop-key"))
        Tamper(file, setting);
    AppendLine(mark, note);
    return setting == L"fail" ? 1 : int(code);
}
