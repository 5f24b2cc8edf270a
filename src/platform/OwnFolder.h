#pragma once
// A folder that only the machine's administrators and the account that runs
// the program may change. Folders made below %ProgramData% inherit "every user
// may create files" from it, and the working folder holds the files that an
// elevated or SYSTEM run writes and imports: nobody else may plant a link there.
#include <string>

namespace OwnFolder {

// Creates the folder (its parent must exist) with an access list of its own: SYSTEM and the Administrators
// group full control, the account that runs the program full control, nothing inherited from above
// (SE_DACL_PROTECTED). False when it cannot be made; GetLastError() then tells why (ERROR_ALREADY_EXISTS
// when the name is taken, whatever is there, a link included).
bool Create(const std::wstring& path);

} // namespace OwnFolder
