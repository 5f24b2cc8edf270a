#pragma once
// Tessarine.com timed as a fleet tool runs it: started with its output
// going to a file, until it has ended.
#include <string>

namespace bench {

// Runs the console program RUNS times with the first arguments and, when
// second is not empty, each time after it with the second (a restore after
// a removal). Prints console_s and console_s_samples (and console2_s...),
// and the exit codes of the last run.
int ConsoleRuns(const std::wstring& exe, const std::wstring& folder, int runs, const std::wstring& first,
                const std::wstring& second);

} // namespace bench
