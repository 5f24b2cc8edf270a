// The console program's start: Tessarine.com beside Tessarine.exe. Started
// from cmd, PowerShell or a fleet tool, it is waited for and reports by its
// output and its exit code. It shows no window and reads no keyboard.
#include "console/Arguments.h"
#include "console/ExitCodes.h"
#include "console/Output.h"
#include "console/Verbs.h"
#include "platform/LoadLibraries.h"

#include <windows.h>
#include <exception>
#include <string>
#include <vector>

namespace {

void Write(DWORD stream, const std::wstring& text)
{
    // Output that cannot be written (a closed pipe) leaves only the exit
    // code to report; the operation has happened either way.
    if (!text.empty()) (void)Output::Write(GetStdHandle(stream), text);
}

int Run(int argc, wchar_t** argv)
{
    const Arguments::Parsed parsed = Arguments::Parse(std::vector<std::wstring>(argv + 1, argv + argc));
    if (!parsed.ok) {
        Write(STD_ERROR_HANDLE, Output::Lines(parsed.error + L"\nTessarine /? zeigt die Hilfe."));
        return ExitCode::BadCommandLine;
    }
    const Verbs::Report report = Verbs::Run(parsed.command);
    Write(STD_OUTPUT_HANDLE, report.out);
    Write(STD_ERROR_HANDLE, report.err);
    return report.exitCode;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    LoadLibraries::FromTheSystemOnly();
    // No box about a missing disk or a crash: nobody may be there to close
    // it, and the fleet tool would wait. The editor inherits the mode. The
    // previous mode is of no use here.
    (void)SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    try {
        return Run(argc, argv);
    } catch (const std::exception&) {
        Write(STD_ERROR_HANDLE, Output::Lines(L"Unerwarteter Fehler; die Operation wurde abgebrochen."));
        return ExitCode::Unexpected;
    }
}
