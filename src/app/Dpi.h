#pragma once
// The DPI a window is drawn at, and the system's sizes at a DPI. Windows 10
// gives each window the DPI of its monitor; older Windows has one DPI, the
// one at logon, and lacks the functions that take a DPI.
#include <windows.h>

namespace Dpi {

// The DPI that twips and points were converted at before per-monitor scaling.
UINT System();

// The DPI of the monitor the window is on; the system DPI where Windows
// cannot tell (before Windows 10 1607).
UINT OfWindow(HWND window);

// A GetSystemMetrics size (icons, frames) at a DPI.
int Metric(int index, UINT dpi);

// Widens a client rectangle to the window rectangle around it, with the
// frame and caption as they are drawn at that DPI. False on failure.
bool AdjustFrame(RECT& rect, DWORD style, DWORD exStyle, UINT dpi);

} // namespace Dpi
