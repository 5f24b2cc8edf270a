#include "platform/Wartezeit.h"

#include <algorithm>
#include <cmath>

namespace Wartezeit {

namespace {

// Upper bound of one sleep, so that a clock that jumps (or a test's clock)
// is looked at again soon.
constexpr double MaxSleepSeconds = 0.1;

DWORD Milliseconds(double seconds)
{
    return DWORD(std::ceil(std::clamp(seconds, 0.0, MaxSleepSeconds) * 1000.0));
}

void SleepUntilEvent(DWORD milliseconds)
{
    // A failed wait only shortens the pause; the caller's loop looks at the
    // clock again either way.
    (void)MsgWaitForMultipleObjectsEx(0, nullptr, milliseconds, QS_ALLINPUT,
                                      MWMO_INPUTAVAILABLE);
}

} // namespace

double SecondsSinceMidnight()
{
    SYSTEMTIME t;
    GetLocalTime(&t);
    return t.wHour * 3600.0 + t.wMinute * 60.0 + t.wSecond + t.wMilliseconds / 1000.0;
}

void DoEvents()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Belongs to the main loop, which must still see it.
            PostQuitMessage(int(msg.wParam));
            return;
        }
        HWND top = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
        if (top && IsDialogMessageW(top, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void WaitSeconds(double dSeconds)
{
    WaitSeconds(dSeconds, SecondsSinceMidnight);
}

void WaitSeconds(double dSeconds, const std::function<double()>& clock)
{
    double start = clock();
    for (;;) {
        const double elapsed = clock() - start;
        if (elapsed >= dSeconds) return;
        DoEvents();
        if (float(start) > float(clock())) start -= 86400.0; // past midnight
        SleepUntilEvent(Milliseconds(dSeconds - elapsed));
    }
}

bool WaitForProcess(HANDLE hProcess, double dSeconds)
{
    const ULONGLONG deadline = GetTickCount64() + ULONGLONG(std::max(dSeconds, 0.0) * 1000.0);
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        const DWORD left = now >= deadline ? 0 : DWORD(std::min<ULONGLONG>(deadline - now, INFINITE - 1));
        switch (MsgWaitForMultipleObjectsEx(1, &hProcess, left, QS_ALLINPUT, MWMO_INPUTAVAILABLE)) {
        case WAIT_OBJECT_0:
            return true;
        case WAIT_OBJECT_0 + 1:
            DoEvents();
            break;
        default: // timed out, or the handle cannot be waited on
            return false;
        }
    }
}

} // namespace Wartezeit
