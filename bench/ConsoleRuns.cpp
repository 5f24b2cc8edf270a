#include "ConsoleRuns.h"

#include "Clock.h"

#include "platform/Handles.h"

#include <windows.h>
#include <cstdio>
#include <string>
#include <vector>

namespace bench {

namespace {

// Seconds from CreateProcess to the end; negative when it did not start.
double Timed(const std::wstring& exe, const std::wstring& folder, const std::wstring& arguments, DWORD& exitCode)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    FileHandle out(CreateFileW((folder + L"\\console-out.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) return -1;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out.get();
    startup.hStdError = out.get();
    PROCESS_INFORMATION pi{};
    std::wstring line = L"\"" + exe + L"\" " + arguments;
    const double start = Now();
    if (!CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(), &startup, &pi))
        return -1;
    ProcessHandle thread(pi.hThread), process(pi.hProcess);
    WaitForSingleObject(process.get(), INFINITE);
    const double took = Now() - start;
    if (!GetExitCodeProcess(process.get(), &exitCode)) exitCode = DWORD(-1);
    return took;
}

void Figure(const char* name, const std::vector<double>& samples)
{
    std::string text;
    char one[32];
    for (double s : samples) {
        std::snprintf(one, sizeof one, "%s%.3f", text.empty() ? "" : ",", s);
        text += one;
    }
    std::printf("%s %.3f\n%s_samples %s\n", name, Median(samples), name, text.empty() ? "-" : text.c_str());
}

} // namespace

int ConsoleRuns(const std::wstring& exe, const std::wstring& folder, int runs, const std::wstring& first,
                const std::wstring& second)
{
    std::vector<double> firsts, seconds;
    DWORD code1 = 0, code2 = 0;
    for (int i = 0; i < runs; ++i) {
        const double a = Timed(exe, folder, first, code1);
        if (a < 0) {
            std::printf("error console_not_started\n");
            return 1;
        }
        firsts.push_back(a);
        if (second.empty()) continue;
        const double b = Timed(exe, folder, second, code2);
        if (b < 0) {
            std::printf("error console_not_started\n");
            return 1;
        }
        seconds.push_back(b);
    }
    Figure("console_s", firsts);
    std::printf("console_exit %lu\n", static_cast<unsigned long>(code1));
    if (!second.empty()) {
        Figure("console2_s", seconds);
        std::printf("console2_exit %lu\n", static_cast<unsigned long>(code2));
    }
    // The output of a listing of 10,000 products is no file to keep.
    (void)DeleteFileW((folder + L"\\console-out.txt").c_str());
    return 0;
}

} // namespace bench
