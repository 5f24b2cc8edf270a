#pragma once
// The real Tessarine.com started as a fleet tool starts it: no window,
// standard output and error redirected to files, judged by its exit code.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace test {

struct ConsoleRun {
    bool ended = false;
    DWORD exitCode = 0;
    std::string out; // standard output, as the bytes written
    std::string err;
    std::set<HWND> windows; // top-level windows of its process, seen while it ran
};

// Runs the program with the arguments, its output going to files, and
// watches for windows of its process until it ends.
ConsoleRun RunConsole(const std::wstring& arguments, const std::wstring& program = TESSARINE_COM,
                      const std::wstring& currentFolder = {});

std::wstring Quoted(const std::wstring& s);

// Whether the run ended by itself with the code and showed no window.
testing::AssertionResult EndedWith(const ConsoleRun& run, int code);

} // namespace test
