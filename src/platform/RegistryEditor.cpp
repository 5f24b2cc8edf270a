#include "platform/RegistryEditor.h"

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

ProcessHandle Start(const std::wstring& commandLine, int showStyle)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = WORD(showStyle);
    PROCESS_INFORMATION process{};
    std::wstring line = commandLine; // CreateProcessW may write into it
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return ProcessHandle();
    ProcessHandle thread(process.hThread);
    return ProcessHandle(process.hProcess);
}

} // namespace RegistryEditor
