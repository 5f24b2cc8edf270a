#pragma once
// The report with which the program ends when an error is not caught where
// it arose.
#include <windows.h>

namespace ErrorReport {

// The application title: it names the program rather than its window.
inline constexpr wchar_t Title[] = L"Tessarine";
inline constexpr wchar_t Unexpected[] = L"Ein unerwarteter Fehler ist aufgetreten. Das Programm wird beendet.";
inline constexpr UINT Style = MB_OK | MB_ICONERROR;
// The program's exit code after the report.
inline constexpr int ExitCode = 1;

} // namespace ErrorReport
