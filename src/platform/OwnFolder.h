#pragma once
// A folder that the program makes gets an access list of its own: the
// folders it works in may lie below one where every user may create files
// (%ProgramData%), and a folder made there would inherit that.
#include <string>

namespace OwnFolder {

// Creates the folder (its parent must exist) with an access list of its own:
// SYSTEM and the Administrators group full control, the account that runs
// the program full control, nothing inherited from above. False when it
// cannot be made; GetLastError() then tells why (ERROR_ALREADY_EXISTS when
// the name is taken, whatever is there, a link included).
bool Create(const std::wstring& path);

} // namespace OwnFolder
