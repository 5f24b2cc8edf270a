#pragma once
// The bench's clock and the median that every printed figure is.
#include <windows.h>

#include <algorithm>
#include <vector>

namespace bench {

// Seconds on the monotonic performance counter.
inline double Now()
{
    LARGE_INTEGER frequency, count;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&count);
    return double(count.QuadPart) / double(frequency.QuadPart);
}

// The middle sample; for an even count the mean of the two middle ones.
inline double Median(std::vector<double> samples)
{
    if (samples.empty()) return -1;
    std::sort(samples.begin(), samples.end());
    const size_t mid = samples.size() / 2;
    return samples.size() % 2 ? samples[mid] : (samples[mid - 1] + samples[mid]) / 2;
}

// Polls until the condition holds or the time is up. Short sleeps keep the
// reaction time of a measurement small without taking a processor from the
// program that is measured.
template <typename F>
bool Poll(F condition, double timeoutSeconds, DWORD intervalMs = 2)
{
    const double end = Now() + timeoutSeconds;
    while (!condition()) {
        if (Now() > end) return false;
        Sleep(intervalMs);
    }
    return true;
}

} // namespace bench
