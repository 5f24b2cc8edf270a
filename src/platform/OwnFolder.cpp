// Placeholder until the folder's access list lands: the folder is made
// without one.
#include "platform/OwnFolder.h"

#include <windows.h>

namespace OwnFolder {

bool Create(const std::wstring& path) { return CreateDirectoryW(path.c_str(), nullptr) != FALSE; }

} // namespace OwnFolder
