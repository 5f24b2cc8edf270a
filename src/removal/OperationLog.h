#pragma once
// The record of what was removed and restored: Tessarine.log in the working
// folder, UTF-8, one line an operation, fields separated by tabs:
//   time (local, ISO 8601 with its offset from UTC), account, operation,
//   products, registers with their keys and values, outcome as the message
//   told it, restore file written or read ("-" for none).
// Names and counts only, never a value's data. A backslash, tab, CR or LF
// in a field is written as \\, \t, \r, \n, so that a line is one operation.
// A line names at most MaxProducts products, then "und N weitere".
// Before a line would take the log past MaxBytes, the log becomes
// Tessarine.1.log, replacing an older one, and a new log begins.
#include "removal/RestoreFiles.h"

#include <windows.h>
#include <string>
#include <vector>

namespace OperationLog {

inline constexpr wchar_t FileName[] = L"Tessarine.log";
inline constexpr wchar_t OlderFileName[] = L"Tessarine.1.log";
inline constexpr size_t MaxProducts = 20;
inline constexpr LONGLONG MaxBytes = 1 << 20;
inline constexpr wchar_t Removal[] = L"Entfernen";
inline constexpr wchar_t Restore[] = L"Wiederherstellen";

struct Entry {
    const wchar_t* operation = L"";
    std::vector<std::wstring> products;
    std::vector<RestoreFiles::RegisterCount> registers;
    std::wstring outcome;
    std::wstring file; // the restore file's name; empty for none
};

// The line as it is written, its CR LF included.
std::string Line(const Entry& entry, const SYSTEMTIME& localTime, int minutesEastOfUtc, const std::wstring& account);

// Appends the entry, stamped now, with the account the program runs under.
// Opened for appending and shared, and written with one call, so that two
// copies of the program logging at once lose no line; a roll-over renames
// the very file it measured, so a line another copy is writing meanwhile
// lands in Tessarine.1.log rather than being lost. The working folder is
// not trusted: the log is opened without following a reparse point and
// written only when it is a plain file with one link, so that no link
// planted there points the program's rights at another file. A log that
// cannot be written, or is no such file, is passed over: it never stops
// or changes an operation.
void Append(const std::wstring& workingFolder, const Entry& entry) noexcept;

} // namespace OperationLog
