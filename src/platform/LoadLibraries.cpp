#include "platform/LoadLibraries.h"

#include <windows.h>

#include <string>

namespace LoadLibraries {

// Windows 7 has SetDefaultDllDirectories only with its update KB2533623;
// without it, taking the working folder out of the search is what is left.
void FromTheSystemOnly()
{
    using SetDefault = BOOL(WINAPI*)(DWORD);
    const auto setDefault = reinterpret_cast<SetDefault>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
    // Nothing more can be done; the program still works as before.
    (void)SetDllDirectoryW(L"");
}

HMODULE FromTheSystemFolder(const wchar_t* name)
{
    if (const HMODULE dll = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return dll;
    // Windows 7 without KB2533623 knows no search flags; the full path then
    // names the system folder's copy, and its own imports are looked for
    // beside it.
    if (GetLastError() != ERROR_INVALID_PARAMETER) return nullptr;
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    const std::wstring path = std::wstring(folder, length) + L"\\" + name;
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

} // namespace LoadLibraries
