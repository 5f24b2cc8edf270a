#include "LinuxProcess.h"

#include "platform/Handles.h"

#include <windows.h>

#include <cstdlib>
#include <vector>

namespace bench {

namespace {

std::string ReadAll(const std::wstring& path)
{
    // /proc files report size 0, so they are read until the end.
    FileHandle in(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (in && ReadFile(in.get(), buffer, sizeof buffer, &got, nullptr) && got) text.append(buffer, got);
    return text;
}

std::vector<std::string> NulSeparated(const std::string& text)
{
    std::vector<std::string> parts;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\0', at);
        if (end == std::string::npos) end = text.size();
        parts.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return parts;
}

std::string Narrow(const std::wstring& text)
{
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

bool SameText(const std::string& a, const std::string& b)
{
    return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), int(a.size()), b.c_str(), int(b.size()))
        == CSTR_EQUAL;
}

std::wstring ProcDir(const std::wstring& pid) { return L"Z:\\proc\\" + pid; }

// The pid of the one live process of our prefix whose first argument
// passes the test; empty when there is none or more than one (the
// measurement would be ambiguous).
template <typename F>
std::wstring OnlyProcess(F firstArgumentFits)
{
    wchar_t prefix[MAX_PATH * 2] = L"";
    GetEnvironmentVariableW(L"WINEPREFIX", prefix, DWORD(std::size(prefix)));
    const std::string wantedPrefix = "WINEPREFIX=" + Narrow(prefix);

    std::wstring match;
    int matches = 0;
    WIN32_FIND_DATAW entry;
    FindHandle find(FindFirstFileW(L"Z:\\proc\\*", &entry));
    if (!find) return {};
    do {
        const std::wstring pid = entry.cFileName;
        if (pid.find_first_not_of(L"0123456789") != std::wstring::npos) continue;
        const auto args = NulSeparated(ReadAll(ProcDir(pid) + L"\\cmdline"));
        if (args.empty() || !firstArgumentFits(args[0])) continue;
        // Another developer's session may run the same program; only a
        // process of this prefix is ours.
        bool ours = false;
        for (const auto& variable : NulSeparated(ReadAll(ProcDir(pid) + L"\\environ")))
            ours |= variable == wantedPrefix;
        if (!ours) continue;
        ++matches;
        match = pid;
    } while (FindNextFileW(find.get(), &entry));
    return matches == 1 ? match : std::wstring();
}

} // namespace

LinuxProcess LinuxProcess::Running(const std::wstring& windowsPath)
{
    const std::string wanted = Narrow(windowsPath);
    LinuxProcess p;
    p.pid_ = OnlyProcess([&](const std::string& first) { return SameText(first, wanted); });
    if (!p.pid_.empty()) p.dir_ = ProcDir(p.pid_);
    return p;
}

LinuxProcess LinuxProcess::Server()
{
    LinuxProcess p;
    p.pid_ = OnlyProcess([](const std::string& first) {
        const std::string name = first.substr(first.find_last_of('/') + 1);
        return name.rfind("wineserver", 0) == 0;
    });
    if (!p.pid_.empty()) p.dir_ = ProcDir(p.pid_);
    return p;
}

LinuxProcess LinuxProcess::Self()
{
    // Not Z:\proc\self: the wineserver opens files for its clients, so
    // that would be the wineserver. The first argument is spelled as the
    // command line spelled it, so only the file name is compared.
    wchar_t path[MAX_PATH * 2] = L"";
    GetModuleFileNameW(nullptr, path, DWORD(std::size(path)));
    const std::string module = Narrow(path);
    const std::string wanted = module.substr(module.find_last_of('\\') + 1);
    LinuxProcess p;
    p.pid_ = OnlyProcess([&](const std::string& first) {
        return SameText(first.substr(first.find_last_of("/\\") + 1), wanted);
    });
    if (!p.pid_.empty()) p.dir_ = ProcDir(p.pid_);
    return p;
}

double LinuxProcess::TickSeconds() const
{
    const std::string stat = ReadAll(dir_ + L"\\stat");
    // The command name in parentheses may hold blanks; fields count from
    // after its closing parenthesis, where field 3 (state) begins.
    const size_t close = stat.rfind(')');
    if (close == std::string::npos) return -1;
    std::vector<std::string> fields;
    size_t at = close + 2;
    while (at < stat.size()) {
        const size_t end = stat.find(' ', at);
        fields.push_back(stat.substr(at, end == std::string::npos ? std::string::npos : end - at));
        if (end == std::string::npos) break;
        at = end + 1;
    }
    // utime and stime are fields 14 and 15, at 11 and 12 here.
    if (fields.size() < 13) return -1;
    return (std::atof(fields[11].c_str()) + std::atof(fields[12].c_str())) / 100.0;
}

double LinuxProcess::RunSeconds() const
{
    double total = 0;
    WIN32_FIND_DATAW entry;
    FindHandle find(FindFirstFileW((dir_ + L"\\task\\*").c_str(), &entry));
    if (!find) return -1;
    do {
        if (entry.cFileName[0] < L'0' || entry.cFileName[0] > L'9') continue;
        total += std::atof(ReadAll(dir_ + L"\\task\\" + entry.cFileName + L"\\schedstat").c_str());
    } while (FindNextFileW(find.get(), &entry));
    return total / 1e9;
}

double LinuxProcess::PeakMegabytes() const
{
    const std::string status = ReadAll(dir_ + L"\\status");
    const size_t at = status.find("VmHWM:");
    return at == std::string::npos ? -1 : std::atof(status.c_str() + at + 6) / 1024.0;
}

} // namespace bench
