#pragma once
// The registry's idea of "the same name" for keys and values: ordinal,
// without regard to case, by the system's upper-case table, one UTF-16 code
// unit at a time (CompareStringOrdinal with bIgnoreCase). Whatever the
// user's language, "Straße" and "Strasse" are two names, a soft hyphen or a
// combining accent counts, and letters outside the Basic Multilingual Plane
// keep their case apart. Every place that asks whether two key or value
// names are one asks here.
#include <string>
#include <string_view>

namespace KeyName {

bool Same(std::wstring_view a, std::wstring_view b);

// An order in which two names are equivalent exactly when Same() holds.
struct Less {
    bool operator()(std::wstring_view a, std::wstring_view b) const;
};

} // namespace KeyName
