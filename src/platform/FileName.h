#pragma once
// The file system's idea of "the same name" for files and folders: ordinal,
// without regard to case, one UTF-16 code unit at a time, as NTFS compares
// names through its upper-case table (CompareStringOrdinal with
// bIgnoreCase). "UNINSTALL.REG" is Uninstall.reg, whatever the user's
// language. Every place that asks whether two file names or paths are one
// asks here; key and value names ask KeyName.
#include <string_view>

namespace FileName {

bool Same(std::wstring_view a, std::wstring_view b);

} // namespace FileName
