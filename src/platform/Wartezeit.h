#pragma once
#include <windows.h>
#include <functional>

namespace Wartezeit {

// Seconds since local midnight, with fractions.
double SecondsSinceMidnight();

// Processes all window events that are pending now, then returns.
void DoEvents();

// Waits dSeconds while the window stays responsive; sleeps between events
// instead of spinning. Counts on across midnight.
void WaitSeconds(double dSeconds);
void WaitSeconds(double dSeconds, const std::function<double()>& clock);

// Waits, processing window events, until hProcess has ended or dSeconds
// have passed. True when the process ended.
bool WaitForProcess(HANDLE hProcess, double dSeconds);

} // namespace Wartezeit
