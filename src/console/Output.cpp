#include "console/Output.h"

#include "platform/Utf8.h"

#include <algorithm>

namespace Output {

std::wstring Lines(std::wstring_view message)
{
    std::wstring lines;
    auto endLine = [&] {
        while (!lines.empty() && lines.back() == L' ') lines.pop_back();
        lines += EndOfLine;
    };
    for (wchar_t c : message) {
        if (c == L'\n') endLine();
        else lines += c;
    }
    if (!message.empty() && message.back() != L'\n') endLine();
    return lines;
}

namespace {

bool IsConsole(HANDLE handle)
{
    DWORD mode = 0;
    return GetConsoleMode(handle, &mode) != FALSE;
}

} // namespace

bool Write(HANDLE handle, std::wstring_view text)
{
    if (!handle || handle == INVALID_HANDLE_VALUE) return false;
    if (IsConsole(handle)) {
        const std::wstring_view lines = text;
        // A console takes a bounded amount per call.
        constexpr size_t Chunk = 8192;
        for (size_t at = 0; at < lines.size();) {
            size_t n = std::min(Chunk, lines.size() - at);
            // A surrogate pair is never split between two calls.
            if (n > 1 && at + n < lines.size() && IS_HIGH_SURROGATE(lines[at + n - 1])) --n;
            DWORD written = 0;
            if (!WriteConsoleW(handle, lines.data() + at, DWORD(n), &written, nullptr) || written == 0) return false;
            at += written;
        }
        return true;
    }
    const std::string bytes = Utf8::FromWide(text);
    for (size_t at = 0; at < bytes.size();) {
        const DWORD n = DWORD(std::min<size_t>(bytes.size() - at, 1u << 20));
        DWORD written = 0;
        if (!WriteFile(handle, bytes.data() + at, n, &written, nullptr) || written == 0) return false;
        at += written;
    }
    return true;
}

} // namespace Output
