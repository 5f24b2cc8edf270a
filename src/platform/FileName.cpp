#include "platform/FileName.h"

#include <windows.h>

namespace FileName {

bool Same(std::wstring_view a, std::wstring_view b)
{
    return CompareStringOrdinal(a.data(), int(a.size()), b.data(), int(b.size()), TRUE) == CSTR_EQUAL;
}

} // namespace FileName
