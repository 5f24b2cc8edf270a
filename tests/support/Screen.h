#pragma once
// What the screen shows of a window, for tests that check what a user sees.
#include <windows.h>
#include <string>

namespace test {

// What the screen shows in a rectangle: 24-bit pixels, bottom row first,
// each row padded to four bytes, as a bitmap file holds them.
struct Picture {
    int width = 0, height = 0;
    std::string bits;
    int stride() const { return (width * 3 + 3) & ~3; }
    COLORREF at(int x, int y) const
    {
        const auto* p = reinterpret_cast<const unsigned char*>(bits.data()) + (height - 1 - y) * stride() + x * 3;
        return RGB(p[2], p[1], p[0]);
    }
};

Picture Capture(const RECT& r);

// The screen's DPI, as the program's windows are laid out at.
int ScreenDpi();

// How many columns of background the screen shows between a row's last
// drawn pixel and the list's right edge; -1 for a row that shows nothing.
int GapRightOfRow(HWND list, int row);

} // namespace test
