#include "app/Dpi.h"

namespace Dpi {

namespace {

// Looked up at run time: a program that imported them would not start on
// Windows 7 or 8.1.
template <typename Function>
Function FromUser32(const char* name)
{
    const HMODULE user = GetModuleHandleW(L"user32.dll");
    return user ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user, name))) : nullptr;
}

} // namespace

UINT System()
{
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen) (void)ReleaseDC(nullptr, screen); // nothing to act on if the release fails
    return dpi > 0 ? UINT(dpi) : USER_DEFAULT_SCREEN_DPI;
}

UINT OfWindow(HWND window)
{
    using GetDpiForWindow = UINT(WINAPI*)(HWND);
    static const auto get = FromUser32<GetDpiForWindow>("GetDpiForWindow");
    const UINT dpi = get ? get(window) : 0;
    return dpi != 0 ? dpi : System();
}

int Metric(int index, UINT dpi)
{
    using GetSystemMetricsForDpi = int(WINAPI*)(int, UINT);
    static const auto get = FromUser32<GetSystemMetricsForDpi>("GetSystemMetricsForDpi");
    if (get) return get(index, dpi);
    // Windows 8.1 scales a per-monitor window's DPI but has no metrics for it.
    return MulDiv(GetSystemMetrics(index), int(dpi), int(System()));
}

bool AdjustFrame(RECT& rect, DWORD style, DWORD exStyle, UINT dpi)
{
    using AdjustWindowRectExForDpi = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static const auto adjust = FromUser32<AdjustWindowRectExForDpi>("AdjustWindowRectExForDpi");
    // Without it the frame is drawn at the system DPI anyway.
    if (!adjust) return AdjustWindowRectEx(&rect, style, FALSE, exStyle) != FALSE;
    return adjust(&rect, style, FALSE, exStyle, dpi) != FALSE;
}

} // namespace Dpi
