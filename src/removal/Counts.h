#pragma once
// How keys and values are counted in the program's texts, the singular for
// one: "1 Schlüssel, 1 Wert", "2 Schlüssel, 3 Werte". Every text that counts
// them counts here.
#include <string>

namespace Counts {

inline std::wstring Values(size_t values)
{
    return std::to_wstring(values) + (values == 1 ? L" Wert" : L" Werte");
}

inline std::wstring KeysAndValues(size_t keys, size_t values)
{
    return std::to_wstring(keys) + L" Schl\u00fcssel, " + Values(values);
}

} // namespace Counts
