#include "ConsoleRun.h"

#include "platform/Handles.h"
#include "support/TestSupport.h"

namespace test {

namespace {

constexpr DWORD RunBoundMs = 120000;

// Every top-level window of the process.
void CollectWindows(DWORD processId, std::set<HWND>& windows)
{
    struct Seen {
        DWORD processId;
        std::set<HWND>* windows;
    } seen{processId, &windows};
    EnumWindows(
        [](HWND hwnd, LPARAM p) -> BOOL {
            auto* s = reinterpret_cast<Seen*>(p);
            DWORD pid = 0;
            GetWindowThreadProcessId(hwnd, &pid);
            if (pid == s->processId) s->windows->insert(hwnd);
            return TRUE;
        },
        LPARAM(&seen));
}

FileHandle Inheritable(const std::wstring& path, DWORD access, DWORD disposition)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return FileHandle(CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, disposition,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
}

} // namespace

ConsoleRun RunConsole(const std::wstring& arguments, const std::wstring& program, const std::wstring& currentFolder)
{
    ConsoleRun run;
    ScratchFolder streams;
    {
        FileHandle in = Inheritable(L"NUL", GENERIC_READ, OPEN_EXISTING);
        FileHandle out = Inheritable(streams.file(L"out.txt"), GENERIC_WRITE, CREATE_ALWAYS);
        FileHandle err = Inheritable(streams.file(L"err.txt"), GENERIC_WRITE, CREATE_ALWAYS);
        if (!in || !out || !err) return run;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = in.get();
        startup.hStdOutput = out.get();
        startup.hStdError = err.get();
        PROCESS_INFORMATION pi{};
        std::wstring line = L"\"" + program + L"\" " + arguments;
        if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                            currentFolder.empty() ? nullptr : currentFolder.c_str(), &startup, &pi))
            return run;
        ProcessHandle thread(pi.hThread), process(pi.hProcess);
        const ULONGLONG end = GetTickCount64() + RunBoundMs;
        while (WaitForSingleObject(process.get(), 20) == WAIT_TIMEOUT) {
            CollectWindows(pi.dwProcessId, run.windows);
            if (GetTickCount64() > end) {
                TerminateProcess(process.get(), 1);
                WaitForSingleObject(process.get(), 5000);
                return run;
            }
        }
        CollectWindows(pi.dwProcessId, run.windows);
        run.ended = GetExitCodeProcess(process.get(), &run.exitCode) != FALSE;
    }
    run.out = ReadFileBytes(streams.file(L"out.txt"));
    run.err = ReadFileBytes(streams.file(L"err.txt"));
    return run;
}

std::wstring Quoted(const std::wstring& s) { return L"\"" + s + L"\""; }

testing::AssertionResult EndedWith(const ConsoleRun& run, int code)
{
    if (!run.ended) return testing::AssertionFailure() << "the program did not start or did not end";
    if (int(run.exitCode) != code)
        return testing::AssertionFailure() << "exit code " << run.exitCode << ", expected " << code << "\nout: " << run.out
                                           << "\nerr: " << run.err;
    if (!run.windows.empty())
        return testing::AssertionFailure() << run.windows.size() << " window(s) of the console program";
    return testing::AssertionSuccess();
}

} // namespace test
