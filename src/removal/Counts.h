#pragma once
// How keys and values are counted in the program's texts, the singular for
// one: "1 Schlüssel, 1 Wert", "2 Schlüssel, 3 Werte".
#include <string>

namespace Counts {

inline std::wstring KeysAndValues(size_t keys, size_t values)
{
    return std::to_wstring(keys) + L" Schl\u00fcssel, " + std::to_wstring(values) + (values == 1 ? L" Wert" : L" Werte");
}

} // namespace Counts
