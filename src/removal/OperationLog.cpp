#include "removal/OperationLog.h"

#include "platform/Handles.h"

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

std::string Utf8(const std::wstring& text)
{
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string out(size_t(n), '\0');
    if (WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), out.data(), n, nullptr, nullptr) != n) return {};
    return out;
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

} // namespace

std::string Line(const Entry& entry, const SYSTEMTIME& t, int minutesEastOfUtc, const std::wstring& account)
{
    wchar_t when[40];
    const int offset = minutesEastOfUtc < 0 ? -minutesEastOfUtc : minutesEastOfUtc;
    std::swprintf(when, std::size(when), L"%04u-%02u-%02uT%02u:%02u:%02u%c%02d:%02d", unsigned(t.wYear),
                  unsigned(t.wMonth), unsigned(t.wDay), unsigned(t.wHour), unsigned(t.wMinute), unsigned(t.wSecond),
                  minutesEastOfUtc < 0 ? L'-' : L'+', offset / 60, offset % 60);
    std::wstring products, registers;
    for (const auto& p : entry.products) products += (products.empty() ? L"" : L", ") + Escaped(p);
    for (const auto& r : entry.registers)
        registers += (registers.empty() ? L"" : L", ") + r.registerLabel + L": " + std::to_wstring(r.keys)
                   + L" Schl\u00fcssel, " + std::to_wstring(r.values) + L" Werte";
    const std::wstring line = std::wstring(when) + L"\t" + Escaped(account) + L"\t" + entry.operation + L"\t"
                            + (products.empty() ? L"-" : products) + L"\t" + (registers.empty() ? L"-" : registers)
                            + L"\t" + Escaped(Outcome(entry.outcome)) + L"\t"
                            + (entry.file.empty() ? L"-" : Escaped(entry.file)) + L"\r\n";
    return Utf8(line);
}

void Append(const std::wstring& workingFolder, const Entry& entry) noexcept
{
    try {
        SYSTEMTIME now;
        GetLocalTime(&now);
        const std::string line = Line(entry, now, MinutesEastOfUtc(), Account());
        // Appending only: each write lands at the file's end at that
        // moment, whoever else writes, and a write of one line is whole.
        FileHandle log(CreateFileW((workingFolder + L"\\" + FileName).c_str(), FILE_APPEND_DATA,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                   nullptr));
        DWORD written = 0;
        // A log that cannot be opened or written is passed over, on purpose.
        if (log) (void)WriteFile(log.get(), line.data(), DWORD(line.size()), &written, nullptr);
    } catch (...) {
        // Out of memory for one line: the operation matters more than its record.
    }
}

} // namespace OperationLog
