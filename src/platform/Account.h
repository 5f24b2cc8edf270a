#pragma once
// The account that runs the program, as its process token names it.
#include <string>

namespace Account {

// The user SID of the process token in its string form ("S-1-5-18"); empty
// when the token cannot be read, GetLastError() then tells why.
std::wstring UserSid();

} // namespace Account
