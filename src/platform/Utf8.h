#pragma once
// Text as UTF-8 bytes, for what is written to files and pipes: the log and
// the console program's redirected output.
#include <string>
#include <string_view>

namespace Utf8 {

// Empty for empty text, and for text that cannot be converted (a lone
// surrogate is converted to U+FFFD by the system, so that is rare).
std::string FromWide(std::wstring_view text);

} // namespace Utf8
