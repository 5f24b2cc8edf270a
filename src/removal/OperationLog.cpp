#include "removal/OperationLog.h"

#include "platform/Handles.h"
#include "platform/PlainFile.h"
#include "platform/Utf8.h"
#include "removal/Counts.h"

#include <cstdio>
#include <cwchar>
#include <iterator>

namespace OperationLog {

namespace {

std::wstring Escaped(const std::wstring& text)
{
    std::wstring out;
    for (wchar_t c : text) {
        switch (c) {
        case L'\\': out += L"\\\\"; break;
        case L'\t': out += L"\\t"; break;
        case L'\r': out += L"\\r"; break;
        case L'\n': out += L"\\n"; break;
        default: out += c;
        }
    }
    return out;
}

// The message as shown, without the blanks its lines end in.
std::wstring Outcome(const std::wstring& message)
{
    std::wstring out;
    size_t at = 0;
    for (;;) {
        const size_t end = message.find(L'\n', at);
        std::wstring line = message.substr(at, end == std::wstring::npos ? end : end - at);
        while (!line.empty() && line.back() == L' ') line.pop_back();
        out += line;
        if (end == std::wstring::npos) return out;
        out += L'\n';
        at = end + 1;
    }
}

int MinutesEastOfUtc()
{
    TIME_ZONE_INFORMATION zone;
    switch (GetTimeZoneInformation(&zone)) {
    case TIME_ZONE_ID_STANDARD: return -int(zone.Bias + zone.StandardBias);
    case TIME_ZONE_ID_DAYLIGHT: return -int(zone.Bias + zone.DaylightBias);
    case TIME_ZONE_ID_UNKNOWN: return -int(zone.Bias);
    default: return 0; // not known: the time still reads as local
    }
}

std::wstring Account()
{
    wchar_t name[257]; // UNLEN + 1
    DWORD size = DWORD(std::size(name));
    return GetUserNameW(name, &size) ? std::wstring(name) : std::wstring(L"?");
}

// The log, opened for appending and shared, also with a roll-over of
// another copy; empty when it is not a plain file with one link in the
// working folder (PlainFile): a link is never followed, nor created at its
// far end.
FileHandle OpenPlain(const std::wstring& path)
{
    // Appending only: each write lands at the file's end at that moment,
    // whoever else writes, and a write of one line is whole.
    return PlainFile::OpenOrCreate(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
}

bool SameFile(HANDLE a, HANDLE b)
{
    BY_HANDLE_FILE_INFORMATION x, y;
    return GetFileInformationByHandle(a, &x) && GetFileInformationByHandle(b, &y)
        && x.dwVolumeSerialNumber == y.dwVolumeSerialNumber && x.nFileIndexHigh == y.nFileIndexHigh
        && x.nFileIndexLow == y.nFileIndexLow;
}

// Renames the full log to the older log's name, replacing that. Only the
// file measured goes: when another copy has rolled it over meanwhile, the
// name leads to its new log, which stays. False when nothing was renamed.
bool RollOver(HANDLE measured, const std::wstring& path, const std::wstring& older)
{
    FileHandle log(CreateFileW(path.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    // A rename that fails (the older log held open by someone, the folder
    // not writable) leaves the log as it is; the line goes on at its end.
    return log && SameFile(log.get(), measured) && PlainFile::RenameOver(log.get(), older);
}

} // namespace

std::string Line(const Entry& entry, const SYSTEMTIME& t, int minutesEastOfUtc, const std::wstring& account)
{
    wchar_t when[40];
    const int offset = minutesEastOfUtc < 0 ? -minutesEastOfUtc : minutesEastOfUtc;
    std::swprintf(when, std::size(when), L"%04u-%02u-%02uT%02u:%02u:%02u%c%02d:%02d", unsigned(t.wYear),
                  unsigned(t.wMonth), unsigned(t.wDay), unsigned(t.wHour), unsigned(t.wMinute), unsigned(t.wSecond),
                  minutesEastOfUtc < 0 ? L'-' : L'+', offset / 60, offset % 60);
    std::wstring products, registers;
    // A refused file of thousands of products would write every name on
    // every attempt.
    const size_t named = entry.products.size() < MaxProducts ? entry.products.size() : MaxProducts;
    for (size_t i = 0; i < named; ++i) products += (products.empty() ? L"" : L", ") + Escaped(entry.products[i]);
    if (named < entry.products.size())
        products += L" und " + std::to_wstring(entry.products.size() - named) + L" weitere";
    for (const auto& r : entry.registers)
        registers += (registers.empty() ? L"" : L", ") + r.registerLabel + L": "
                   + Counts::KeysAndValues(r.keys, r.values);
    const std::wstring line = std::wstring(when) + L"\t" + Escaped(account) + L"\t" + entry.operation + L"\t"
                            + (products.empty() ? L"-" : products) + L"\t" + (registers.empty() ? L"-" : registers)
                            + L"\t" + Escaped(Outcome(entry.outcome)) + L"\t"
                            + (entry.file.empty() ? L"-" : Escaped(entry.file)) + L"\r\n";
    return Utf8::FromWide(line);
}

void Append(const std::wstring& workingFolder, const Entry& entry) noexcept
{
    try {
        SYSTEMTIME now;
        GetLocalTime(&now);
        const std::string line = Line(entry, now, MinutesEastOfUtc(), Account());
        const std::wstring path = workingFolder + L"\\" + FileName;
        FileHandle log = OpenPlain(path);
        LARGE_INTEGER size;
        if (log && GetFileSizeEx(log.get(), &size) && size.QuadPart + LONGLONG(line.size()) > MaxBytes) {
            // Whether this copy or another one rolled it over, the line goes
            // into the log that the name leads to now.
            (void)RollOver(log.get(), path, workingFolder + L"\\" + OlderFileName);
            log = OpenPlain(path);
        }
        DWORD written = 0;
        // A log that cannot be opened or written is passed over, on purpose.
        if (log) (void)WriteFile(log.get(), line.data(), DWORD(line.size()), &written, nullptr);
    } catch (...) {
        // Out of memory for one line: the operation matters more than its record.
    }
}

} // namespace OperationLog
