// The window moved to a monitor of another scale. Wine runs every monitor at
// one DPI, so the move is the message Windows sends for it.
#include "app/ControlIds.h"
#include "removal/WindowFixture.h"
#include "support/Screen.h"

#include <array>
#include <ostream>

using namespace test;

namespace {

// The controls as laid out in twips; at any DPI they stand where these
// convert to, as the end-to-end test finds them on a screen of that DPI.
struct Twips {
    int id;
    int left, top, width, height;
};
constexpr std::array<Twips, 5> Layout{{
    {ControlIds::LProdukte, 90, 540, 5910, 4380},
    {ControlIds::LRegister, 90, 135, 5910, 330}, // the closed box
    {ControlIds::bEntfernen, 6165, 180, 1320, 420},
    {ControlIds::LTemp, 45, 720, 5910, 4140},
    {ControlIds::bRestored, 6165, 675, 1320, 420},
}};
constexpr int ClientWidth = 7620, ClientHeight = 5070;

int Pixels(int twips, int dpi) { return MulDiv(twips, dpi, 1440); }

using Size = std::array<LONG, 2>;
using Rect = std::array<LONG, 4>; // left, top, width, height

// What the window shows that depends on its DPI.
struct Looks {
    Size client;
    std::array<Rect, Layout.size()> controls;
    LONG listFontHeight, windowFontHeight;
    int extent;
    Size bigIcon, smallIcon;
    bool operator==(const Looks&) const = default;
};

void PrintTo(const Looks& l, std::ostream* out)
{
    *out << "client " << l.client[0] << "x" << l.client[1] << ", controls";
    for (const Rect& b : l.controls) *out << " (" << b[0] << "," << b[1] << " " << b[2] << "x" << b[3] << ")";
    *out << ", fonts " << l.listFontHeight << "/" << l.windowFontHeight << ", extent " << l.extent << ", icons "
         << l.bigIcon[0] << "/" << l.smallIcon[0];
}

Size IconSize(HICON icon)
{
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info)) return {};
    BITMAP bitmap{};
    GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return {bitmap.bmWidth, bitmap.bmHeight};
}

LONG FontHeight(HWND control)
{
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font, &font);
    return font.lfHeight;
}

Looks LooksOf(HWND window)
{
    Looks looks{};
    RECT client;
    GetClientRect(window, &client);
    looks.client = {client.right, client.bottom};
    for (size_t i = 0; i < Layout.size(); ++i) {
        RECT r;
        GetWindowRect(GetDlgItem(window, Layout[i].id), &r);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
        looks.controls[i] = {r.left, r.top, r.right - r.left, r.bottom - r.top};
    }
    looks.listFontHeight = FontHeight(GetDlgItem(window, ControlIds::LProdukte));
    looks.windowFontHeight = FontHeight(GetDlgItem(window, ControlIds::bEntfernen));
    looks.extent = int(SendMessageW(GetDlgItem(window, ControlIds::LProdukte), LB_GETHORIZONTALEXTENT, 0, 0));
    looks.bigIcon = IconSize(reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, ICON_BIG, 0)));
    looks.smallIcon = IconSize(reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, ICON_SMALL, 0)));
    return looks;
}

// Windows suggests the window's place and its size with the frame drawn at
// the new DPI; Wine draws every frame at its one DPI, so the frame here is
// the one drawn now.
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
testing::AssertionResult WidestRowEndsInside(HWND list, int row, int dpi)
{
    SendMessageW(list, WM_HSCROLL, SB_RIGHT, 0);
    const int most = MulDiv(4, dpi, 96);
    int gap = -1;
    for (int tries = 0; tries < 50 && !(gap >= 1 && gap <= most); ++tries) {
        // The list is this thread's: it paints when this thread lets it.
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        UpdateWindow(list);
        gap = GapRightOfRow(list, row);
        if (!(gap >= 1 && gap <= most)) Sleep(20);
    }
    SendMessageW(list, WM_HSCROLL, SB_LEFT, 0);
    if (gap >= 1 && gap <= most) return testing::AssertionSuccess();
    return testing::AssertionFailure() << "the widest row ends " << gap << " px left of the list's edge, not 1 to "
                                       << most;
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

TEST_F(Scaling, AMoveTo144DpiLaysTheWindowOutAgainAndBack)
{
    HWND window = root->hwnd();
    const Looks start = LooksOf(window);
    ASSERT_EQ(start.client[0], Pixels(ClientWidth, 96)) << "the test window starts at 96 DPI";

    MoveToDpi(window, 144);
    const Looks moved = LooksOf(window);
    EXPECT_EQ(moved.client, (Size{Pixels(ClientWidth, 144), Pixels(ClientHeight, 144)}));
    for (size_t i = 0; i < Layout.size(); ++i) {
        const Twips& c = Layout[i];
        EXPECT_EQ(moved.controls[i], (Rect{Pixels(c.left, 144), Pixels(c.top, 144), Pixels(c.width, 144),
                                          Pixels(c.height, 144)}))
            << "control " << c.id;
    }
    EXPECT_EQ(moved.listFontHeight, -MulDiv(975, 144, 7200)) << "9.75 pt at 144 DPI";
    EXPECT_EQ(moved.windowFontHeight, -MulDiv(900, 144, 7200)) << "9 pt at 144 DPI";
    // Fonts and the list's tab stops come in whole pixels (9.75 pt is 13 px
    // at 96 DPI, 20 px at 144), so the extent grows by about 1.5, not by
    // exactly that; what counts is that the widest row still ends just
    // inside the list when it is scrolled fully right.
    EXPECT_NEAR(double(moved.extent) / start.extent, 1.5, 0.15) << "the rows measured again in the larger font";
    EXPECT_TRUE(WidestRowEndsInside(root->LProdukte.hwnd, 1, 144));
    EXPECT_EQ(moved.smallIcon[0], start.smallIcon[0] * 3 / 2) << "an icon for 144 DPI";
    EXPECT_EQ(moved.bigIcon[0], start.bigIcon[0] * 3 / 2);

    MoveToDpi(window, 96);
    EXPECT_EQ(LooksOf(window), start) << "back at 96 DPI the window is as it started";
}

TEST_F(Scaling, RoundTripsFreeTheFontsAndIconsTheyReplace)
{
    HWND window = root->hwnd();
    auto objects = [] {
        return std::array<DWORD, 2>{GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS),
                                    GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS)};
    };
    const auto before = objects();
    for (int trip = 0; trip < 10; ++trip) {
        for (int dpi : {144, 96}) {
            const HGDIOBJ listFont = reinterpret_cast<HGDIOBJ>(
                SendMessageW(GetDlgItem(window, ControlIds::LProdukte), WM_GETFONT, 0, 0));
            const HGDIOBJ windowFont = reinterpret_cast<HGDIOBJ>(
                SendMessageW(GetDlgItem(window, ControlIds::bEntfernen), WM_GETFONT, 0, 0));
            const HICON icon = reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, ICON_BIG, 0));
            MoveToDpi(window, dpi);
            // Wine counts no objects (GetGuiResources answers 0), so each
            // replaced object is asked after directly.
            EXPECT_EQ(GetObjectType(listFont), 0u) << "trip " << trip << ": the old list font was not freed";
            EXPECT_EQ(GetObjectType(windowFont), 0u) << "trip " << trip << ": the old window font was not freed";
            EXPECT_EQ(IconSize(icon)[0], 0) << "trip " << trip << ": the old icon was not freed";
        }
    }
    EXPECT_EQ(objects(), before) << "GDI and USER objects of the process";
}
