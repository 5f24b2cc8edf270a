#pragma once
// The account that runs the program, as its process token names it.
#include <string>

namespace Account {

// The user SID of the process token in its string form ("S-1-5-18"); empty
// when the token cannot be read, GetLastError() then tells why.
std::wstring UserSid();

// Whether the SID is one of the service accounts, SYSTEM (S-1-5-18), LOCAL
// SERVICE (S-1-5-19) or NETWORK SERVICE (S-1-5-20): their HKEY_CURRENT_USER is
// the account's own hive, no person's, and fleet tools run programs as them.
bool IsServiceAccount(const std::wstring& sid);

// Whether the account that runs the program is a service account; false
// when its token cannot be read.
bool ServiceAccount();

} // namespace Account
