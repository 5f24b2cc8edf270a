// The window moved to a monitor of another scale. Wine runs every monitor at
// one DPI, so the move is the message Windows sends for it.
#include "app/ControlIds.h"
#include "removal/WindowFixture.h"
#include "support/Screen.h"

#include <map>

using namespace test;

namespace {

// The controls as laid out in twips: at any DPI they stand where these
// convert to, as the end-to-end test finds them on a screen of that DPI.
struct Twips {
    const char* name;
    int id;
    int left, top, width, height;
};
constexpr Twips Layout[] = {
    {"LProdukte", ControlIds::LProdukte, 90, 540, 5910, 4380},
    {"LRegister", ControlIds::LRegister, 90, 135, 5910, 330}, // the closed box
    {"bEntfernen", ControlIds::bEntfernen, 6165, 180, 1320, 420},
    {"LTemp", ControlIds::LTemp, 45, 720, 5910, 4140},
    {"bRestored", ControlIds::bRestored, 6165, 675, 1320, 420},
};
constexpr int ClientWidth = 7620, ClientHeight = 5070;

int Pixels(int twips, int dpi) { return MulDiv(twips, dpi, 1440); }

// Positions and sizes in pixels by name, so that a difference names itself.
using Sizes = std::map<std::string, long>;

Sizes LayoutAt(int dpi)
{
    Sizes sizes{{"client width", Pixels(ClientWidth, dpi)}, {"client height", Pixels(ClientHeight, dpi)}};
    for (const Twips& c : Layout) {
        const std::string name = c.name;
        sizes[name + " left"] = Pixels(c.left, dpi);
        sizes[name + " top"] = Pixels(c.top, dpi);
        sizes[name + " width"] = Pixels(c.width, dpi);
        sizes[name + " height"] = Pixels(c.height, dpi);
    }
    return sizes;
}

Sizes LayoutOf(HWND window)
{
    RECT r;
    GetClientRect(window, &r);
    Sizes sizes{{"client width", r.right}, {"client height", r.bottom}};
    for (const Twips& c : Layout) {
        const std::string name = c.name;
        GetWindowRect(GetDlgItem(window, c.id), &r);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
        sizes[name + " left"] = r.left;
        sizes[name + " top"] = r.top;
        sizes[name + " width"] = r.right - r.left;
        sizes[name + " height"] = r.bottom - r.top;
    }
    return sizes;
}

// What else the window draws at its DPI: fonts, scroll range, icons.
Sizes DrawingOf(HWND window)
{
    auto fontHeight = [&](int id) {
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(GetDlgItem(window, id), WM_GETFONT, 0, 0)), sizeof font,
                   &font);
        return font.lfHeight;
    };
    auto iconWidth = [&](WPARAM which) {
        ICONINFO info{};
        if (!GetIconInfo(reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, which, 0)), &info)) return 0L;
        BITMAP bitmap{};
        GetObjectW(info.hbmMask, sizeof bitmap, &bitmap);
        DeleteObject(info.hbmMask);
        if (info.hbmColor) DeleteObject(info.hbmColor);
        return bitmap.bmWidth;
    };
    return {{"list font", fontHeight(ControlIds::LProdukte)},
            {"window font", fontHeight(ControlIds::bEntfernen)},
            {"extent", SendMessageW(GetDlgItem(window, ControlIds::LProdukte), LB_GETHORIZONTALEXTENT, 0, 0)},
            {"big icon", iconWidth(ICON_BIG)},
            {"small icon", iconWidth(ICON_SMALL)}};
}

// Windows suggests the window's new place, and its size with the frame drawn
// at the new DPI; Wine draws every frame at its one DPI, so the frame here
// is the one drawn now.
void MoveToDpi(HWND window, int dpi)
{
    RECT now, suggested{0, 0, Pixels(ClientWidth, dpi), Pixels(ClientHeight, dpi)};
    GetWindowRect(window, &now);
    AdjustWindowRectEx(&suggested, DWORD(GetWindowLongW(window, GWL_STYLE)), FALSE,
                       DWORD(GetWindowLongW(window, GWL_EXSTYLE)));
    OffsetRect(&suggested, now.left - suggested.left + 40, now.top - suggested.top + 30);
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
}

// Scrolled fully right, the row's last character is not cut and no more
// than a few columns of empty room follow it, as the list draws it.
testing::AssertionResult RowEndsJustInside(HWND list, int row, int dpi)
{
    SendMessageW(list, WM_HSCROLL, SB_RIGHT, 0);
    const int most = MulDiv(4, dpi, 96);
    int gap = -1;
    for (int tries = 0; tries < 50 && !(gap >= 1 && gap <= most); ++tries) {
        // The list is this thread's: it paints when this thread lets it.
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        UpdateWindow(list);
        if (!((gap = GapRightOfRow(list, row)) >= 1 && gap <= most)) Sleep(20);
    }
    SendMessageW(list, WM_HSCROLL, SB_LEFT, 0);
    if (gap >= 1 && gap <= most) return testing::AssertionSuccess();
    return testing::AssertionFailure() << "the row ends " << gap << " px left of the list's edge, not 1 to " << most;
}

struct Scaling : WindowFixture {
    void SetUp() override
    {
        AddProduct(HKEY_LOCAL_MACHINE, L"Zeta Werkzeuge",
                   L"C:\\Programme\\Velmora\\Zeta Werkzeuge\\Erweiterungen\\Sprachpakete", L"2026.12.07-Build 4711");
        AddProduct(HKEY_CURRENT_USER, L"Alpha", L"C:\\A", L"1");
        WindowFixture::SetUp();
        Load();
        root->Show(SW_SHOWNOACTIVATE);
    }
};

} // namespace

TEST_F(Scaling, AMoveTo144DpiAndBackLaysTheWindowOutAgainAndFreesWhatItReplaced)
{
    HWND window = root->hwnd();
    ASSERT_EQ(LayoutOf(window), LayoutAt(96)) << "the test window starts at 96 DPI";
    const Sizes start = DrawingOf(window);

    MoveToDpi(window, 144);
    EXPECT_EQ(LayoutOf(window), LayoutAt(144));
    const Sizes moved = DrawingOf(window);
    EXPECT_EQ(moved.at("list font"), -MulDiv(975, 144, 7200)) << "9.75 pt at 144 DPI";
    EXPECT_EQ(moved.at("window font"), -MulDiv(900, 144, 7200)) << "9 pt at 144 DPI";
    // Fonts and the list's tab stops come in whole pixels (9.75 pt is 13 px
    // at 96 DPI, 20 px at 144), so the extent grows by about 1.5, not by
    // exactly that; what counts is that the widest row still ends just
    // inside the list when it is scrolled fully right.
    EXPECT_NEAR(double(moved.at("extent")) / double(start.at("extent")), 1.5, 0.15);
    EXPECT_TRUE(RowEndsJustInside(root->LProdukte.hwnd, 1, 144));
    EXPECT_EQ(moved.at("big icon"), start.at("big icon") * 3 / 2) << "icons drawn for 144 DPI";
    EXPECT_EQ(moved.at("small icon"), start.at("small icon") * 3 / 2);

    MoveToDpi(window, 96);
    EXPECT_EQ(LayoutOf(window), LayoutAt(96));
    EXPECT_EQ(DrawingOf(window), start) << "back at 96 DPI the window is as it started";

    auto objects = [] {
        return std::make_pair(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS),
                              GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS));
    };
    const auto before = objects();
    for (int trip = 0; trip < 10; ++trip) {
        for (int dpi : {144, 96}) {
            const HGDIOBJ listFont = HGDIOBJ(SendMessageW(root->LProdukte.hwnd, WM_GETFONT, 0, 0));
            const HGDIOBJ windowFont = HGDIOBJ(SendMessageW(root->bEntfernen.hwnd, WM_GETFONT, 0, 0));
            const HICON icon = HICON(SendMessageW(window, WM_GETICON, ICON_BIG, 0));
            MoveToDpi(window, dpi);
            // Wine counts no objects (GetGuiResources answers 0), so each
            // object that was replaced is asked after directly.
            ICONINFO info{};
            EXPECT_EQ(GetObjectType(listFont), 0u) << "trip " << trip << ": the old list font is still there";
            EXPECT_EQ(GetObjectType(windowFont), 0u) << "trip " << trip << ": the old window font is still there";
            EXPECT_FALSE(GetIconInfo(icon, &info)) << "trip " << trip << ": the old icon is still there";
        }
    }
    EXPECT_EQ(objects(), before) << "GDI and USER objects of the process after ten round trips";
}
