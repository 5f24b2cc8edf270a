#pragma once
// A small removal and restore split into their steps, each timed in-process.
#include <string>

namespace bench {

// Seeds one product of four values in the user register under name, then
// runs times: the window's removal and restore through its own handlers (a
// window of the program's code in this process, its message boxes answered
// at once, the registry editor real), then the same two operations step by
// step through the functions the operations call, in their order. Prints
// "step<TAB>label<TAB>min<TAB>median<TAB>max" lines in milliseconds, and
// takes the product away again at the end.
int Steps(const std::wstring& folder, int runs, const std::wstring& name);

} // namespace bench
