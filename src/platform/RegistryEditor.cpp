#include "platform/RegistryEditor.h"

#include "platform/Wartezeit.h"

namespace RegistryEditor {

namespace {
constexpr wchar_t Quote = L'"';
}

std::wstring ExportCommand(const std::wstring& file, const std::wstring& fullKeyName)
{
    return std::wstring(L"Regedit.exe /e ") + Quote + file + Quote + L" " + Quote + fullKeyName + Quote;
}

std::wstring ImportCommand(const std::wstring& file)
{
    return std::wstring(L"Regedit.exe") + L" /s " + Quote + file + Quote;
}

std::wstring Path()
{
    wchar_t folder[MAX_PATH];
    const UINT n = GetSystemWindowsDirectoryW(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return {};
    std::wstring path(folder, n);
    if (path.back() != L'\\') path += L'\\';
    return path + L"regedit.exe";
}

ProcessHandle Start(const std::wstring& commandLine, int showStyle)
{
    const std::wstring editor = Path();
    if (editor.empty()) return ProcessHandle();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = WORD(showStyle);
    PROCESS_INFORMATION process{};
    std::wstring line = commandLine; // CreateProcessW may write into it
    if (!CreateProcessW(editor.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return ProcessHandle();
    ProcessHandle thread(process.hThread);
    return ProcessHandle(process.hProcess);
}

Seams WindowSeams()
{
    return {Start, Wartezeit::WaitForProcess, Wartezeit::DoEvents, 60.0};
}

Seams ConsoleSeams()
{
    auto wait = [](HANDLE process, double seconds) {
        return WaitForSingleObject(process, DWORD(seconds * 1000.0)) == WAIT_OBJECT_0;
    };
    return {Start, wait, [] {}, 60.0};
}

bool EndedWell(HANDLE process, const Seams& seams)
{
    if (!process) return false;
    if (!seams.waitForEnd(process, seams.timeoutSeconds)) {
        // Ending it may fail when it has just ended by itself; the answer
        // is "not well" either way.
        (void)TerminateProcess(process, 1);
        (void)WaitForSingleObject(process, 5000);
        return false;
    }
    DWORD code = 1;
    return GetExitCodeProcess(process, &code) && code == 0;
}

} // namespace RegistryEditor
