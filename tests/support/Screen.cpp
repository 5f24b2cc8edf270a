#include "support/Screen.h"

namespace test {

Picture Capture(const RECT& r)
{
    Picture picture{r.right - r.left, r.bottom - r.top, {}};
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), picture.width, picture.height, 1, 24, BI_RGB};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, picture.width, picture.height, screen, r.left, r.top, SRCCOPY);
    picture.bits.assign(static_cast<const char*>(bits), size_t(picture.stride()) * size_t(picture.height));
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return picture;
}

int ScreenDpi()
{
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

// How many columns of background the screen shows between a row's last
// drawn pixel and the list's right edge; -1 for a row that shows nothing.
int GapRightOfRow(HWND list, int row)
{
    RECT client;
    GetClientRect(list, &client);
    POINT origin{0, 0};
    ClientToScreen(list, &origin);
    const int height = int(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
    const int top = (row - int(SendMessageW(list, LB_GETTOPINDEX, 0, 0))) * height;
    const Picture band = Capture({origin.x, origin.y + top, origin.x + client.right, origin.y + top + height});
    // The top line of a row is leading, never ink: background there.
    const COLORREF background = band.at(band.width - 1, 0);
    for (int x = band.width - 1; x >= 0; --x)
        for (int y = 0; y < band.height; ++y)
            if (band.at(x, y) != background) return band.width - 1 - x;
    return -1;
}

} // namespace test
