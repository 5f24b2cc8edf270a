#pragma once
// Where the program loads DLLs from, set once at its start.
namespace LoadLibraries {

// DLLs that are loaded by name come from the system folder only. The program
// may run with an administrator's rights from a folder that others may be
// able to write to, which the loader would otherwise search first.
void FromTheSystemOnly();

} // namespace LoadLibraries
