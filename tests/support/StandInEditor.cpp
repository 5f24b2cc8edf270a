// A stand-in for the registry editor, for the faults the real one cannot be
// made to show. Started with the program's own command line
// (Regedit.exe /e "file" "key", or /s "file"); the environment variable
// TESSARINE_STAND_IN says what it does:
//   pass          runs the real editor and ends with its exit code
//   fail          runs the real editor, then ends with exit code 1
//   nothing       writes nothing and ends with exit code 0
//   drop-values   runs the real editor, then takes the values of the first
//                 key out of the export
//   drop-subkey   runs the real editor, then takes the last key out of it
//   slow          waits 1.5 s, then runs the real editor
// Without the variable it is an editor planted where it must never run: it
// leaves the file planted-editor-ran.txt in its own folder and ends with 1.
#include "platform/RegistryEditor.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::wstring Setting()
{
    wchar_t value[64] = L"";
    const DWORD n = GetEnvironmentVariableW(L"TESSARINE_STAND_IN", value, 64);
    return n > 0 && n < 64 ? value : L"";
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

std::wstring ReadText(const std::wstring& file)
{
    HANDLE in = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (in == INVALID_HANDLE_VALUE) return {};
    std::wstring text(GetFileSize(in, nullptr) / 2, L'\0');
    DWORD got = 0;
    ReadFile(in, text.data(), DWORD(text.size() * 2), &got, nullptr);
    CloseHandle(in);
    return text; // still with its byte order mark
}

void WriteText(const std::wstring& file, const std::wstring& text)
{
    HANDLE out = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(out, text.data(), DWORD(text.size() * 2), &written, nullptr);
    CloseHandle(out);
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

} // namespace

int wmain()
{
    const std::wstring setting = Setting();
    if (setting.empty()) {
        wchar_t self[MAX_PATH];
        const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring mark(self, n);
        mark = mark.substr(0, mark.find_last_of(L'\\')) + L"\\planted-editor-ran.txt";
        WriteText(mark, GetCommandLineW());
        return 1;
    }
    if (setting == L"nothing") return 0;
    if (setting == L"slow") Sleep(1500);
    const DWORD code = RunRealEditor();
    if (setting == L"fail") return 1;
    if (setting == L"drop-values" || setting == L"drop-subkey") {
        int argc = 0;
        wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
        if (argv && argc >= 3 && std::wstring(argv[1]) == L"/e")
            WriteText(argv[2], Damaged(ReadText(argv[2]), setting == L"drop-values"));
        LocalFree(argv);
    }
    return int(code);
}
