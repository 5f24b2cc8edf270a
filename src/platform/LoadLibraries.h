#pragma once
#include <windows.h>

// Where the program loads DLLs from, set once at its start.
namespace LoadLibraries {

// DLLs that are loaded by name come from the system folder only. The program
// may run with an administrator's rights from a folder that others may be
// able to write to, which the loader would otherwise search first.
void FromTheSystemOnly();

// A DLL that is not one of the system's known DLLs, loaded from the system
// folder; null when it cannot be. Such a DLL is never imported statically:
// the loader would look for it in the program's folder first, before any
// setting made at the start could apply.
HMODULE FromTheSystemFolder(const wchar_t* name);

} // namespace LoadLibraries
