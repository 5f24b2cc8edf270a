#include "platform/Utf8.h"

#include <windows.h>

namespace Utf8 {

std::string FromWide(std::wstring_view text)
{
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string bytes(size_t(n), '\0');
    if (WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), bytes.data(), n, nullptr, nullptr) != n)
        return {};
    return bytes;
}

} // namespace Utf8
