#include "platform/LoadLibraries.h"

#include <windows.h>

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

} // namespace LoadLibraries
