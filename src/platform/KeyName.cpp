#include "platform/KeyName.h"

#include <windows.h>

namespace KeyName {

namespace {

int Compare(std::wstring_view a, std::wstring_view b)
{
    return CompareStringOrdinal(a.data(), int(a.size()), b.data(), int(b.size()), TRUE);
}

} // namespace

bool Same(std::wstring_view a, std::wstring_view b) { return Compare(a, b) == CSTR_EQUAL; }

bool Less::operator()(std::wstring_view a, std::wstring_view b) const { return Compare(a, b) == CSTR_LESS_THAN; }

} // namespace KeyName
