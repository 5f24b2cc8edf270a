#pragma once
// The folder of the running program: the working folder of both programs
// unless another is named.
#include <string>

namespace ProgramFolder {

// Without a backslash at its end; "." when the program's path cannot be
// learnt.
std::wstring Path();

} // namespace ProgramFolder
