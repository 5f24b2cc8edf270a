#pragma once
// What the console program writes: to a console as UTF-16 through
// WriteConsoleW, so that every character shows whatever the console's code
// page; to a file or a pipe as UTF-8 bytes, so that "> liste.txt" keeps the
// umlauts. The text is written as given: lines end with CR LF, as
// EndOfLine, and a field of the CSV listing keeps its own line breaks.
#include <windows.h>
#include <string>
#include <string_view>

namespace Output {

inline constexpr wchar_t EndOfLine[] = L"\r\n";

// A message of the operations as console lines: each "\n" an EndOfLine,
// blanks before a line's end left out (the window's messages pad their
// lines for the message box), and an EndOfLine at the end.
std::wstring Lines(std::wstring_view message);

// Writes the text to the handle (standard output or standard error). False
// when it could not be written whole; nothing else is to be done then.
bool Write(HANDLE handle, std::wstring_view text);

} // namespace Output
