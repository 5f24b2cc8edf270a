#pragma once
#include <string>

namespace Dateiexistenz {

// True when at least one directory entry matches sPath (a file or a folder;
// * and ? match as in a directory listing).
bool FileExists(const std::wstring& sPath);

} // namespace Dateiexistenz
