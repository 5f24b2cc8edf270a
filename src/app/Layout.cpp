// The window and its controls: created from their sizes in twips, and laid
// out again, with fonts and icons to match, whenever the window's DPI
// changes (a move to a monitor with another scale).
#include "app/Root.h"

#include "app/ControlIds.h"
#include "app/Dpi.h"
#include "app/resources/resource.h"

#include <algorithm>
#include <array>

namespace {

constexpr wchar_t Caption[] = L"Velmora Tessarine";
constexpr int TwipsPerInch = 1440;

// Sizes in twips, as laid out: the client area and one control each.
constexpr int ClientWidth = 7620;
constexpr int ClientHeight = 5070;
// The closed drop-down list.
constexpr int ScopeBoxHeight = 330;

constexpr DWORD WindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD WindowExStyle = WS_EX_DLGMODALFRAME | WS_EX_APPWINDOW | WS_EX_CONTROLPARENT;

struct ControlLayout {
    int id;
    const wchar_t* windowClass;
    const wchar_t* text;
    DWORD style;
    DWORD exStyle;
    int left, top, width, height;
};

// In tab order: creation order is the order the dialog navigation follows.
// The product list keeps its height: a list box of whole rows would shrink
// each time its horizontal scroll bar comes and goes.
// A screen reader names a list or a drop-down list after the static text
// just before it in creation order; the two labels are there for that
// alone, never shown, never in the tab order, without an access key.
constexpr std::array<ControlLayout, 7> Layout{{
    {ControlIds::LabelProdukte, L"STATIC", L"Produkte", SS_LEFT, 0, 90, 540, 5910, 4380},
    {ControlIds::LProdukte, L"LISTBOX", L"",
     WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | LBS_SORT | LBS_NOTIFY | LBS_USETABSTOPS
         | LBS_NOINTEGRALHEIGHT,
     WS_EX_CLIENTEDGE, 90, 540, 5910, 4380},
    {ControlIds::LabelRegister, L"STATIC", L"Register", SS_LEFT, 0, 90, 135, 5910, ScopeBoxHeight},
    {ControlIds::LRegister, L"COMBOBOX", L"",
     WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
     0, 90, 135, 5910, ScopeBoxHeight},
    {ControlIds::bEntfernen, L"BUTTON", L"&Entfernen",
     WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
     0, 6165, 180, 1320, 420},
    // Never shown and never in the tab order: the names behind the rows.
    {ControlIds::LTemp, L"LISTBOX", L"",
     WS_DISABLED | LBS_NOINTEGRALHEIGHT,
     0, 45, 720, 5910, 4140},
    {ControlIds::bRestored, L"BUTTON", L"&Restored",
     WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
     0, 6165, 675, 1320, 420},
}};

constexpr std::array<const wchar_t*, 3> ScopeEntries{
    L"Beide Registertypen verwenden",
    L"Nur Benutzerregister anzeigen",
    L"Nur Hauptregister benutzen",
};

int Pixels(int twips, UINT dpi) { return MulDiv(twips, int(dpi), TwipsPerInch); }

bool IsList(const ControlLayout& c) { return c.id == ControlIds::LProdukte || c.id == ControlIds::LTemp; }

// Where a control goes at a DPI, in the client area's pixels.
RECT Place(const ControlLayout& c, UINT dpi)
{
    const int left = Pixels(c.left, dpi), top = Pixels(c.top, dpi);
    // The closed drop-down list is as high as laid out; the height given to
    // the window also covers its open list.
    const int height = c.id == ControlIds::LRegister ? Pixels(c.height, dpi) * 8 : Pixels(c.height, dpi);
    return {left, top, left + Pixels(c.width, dpi), top + height};
}

// The window's size around the laid-out client area at a DPI.
bool FrameSize(UINT dpi, SIZE& size)
{
    RECT frame{0, 0, Pixels(ClientWidth, dpi), Pixels(ClientHeight, dpi)};
    if (!Dpi::AdjustFrame(frame, WindowStyle, WindowExStyle, dpi)) return false;
    size = {frame.right - frame.left, frame.bottom - frame.top};
    return true;
}

// Tahoma at a size in hundredths of a point.
HFONT Tahoma(int centipoints, UINT dpi)
{
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(centipoints, int(dpi), 7200);
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = ANSI_CHARSET;
    lf.lfQuality = DEFAULT_QUALITY;
    lstrcpynW(lf.lfFaceName, L"Tahoma", LF_FACESIZE);
    return CreateFontIndirectW(&lf);
}

// Left and right scroll the product list sideways, whose rows reach past
// its right edge; up and down still move the selection, as in any list.
// The list box's own procedure is kept in its user data: a subclass through
// window properties would cost a look-up on every message the list gets.
LRESULT CALLBACK ListKeys(HWND list, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_KEYDOWN && (wParam == VK_LEFT || wParam == VK_RIGHT)) {
        RECT client{};
        (void)GetClientRect(list, &client);
        // A list box scrolls one pixel per line: a key moves an eighth of
        // the visible width instead.
        const int step = std::max<int>(1, (client.right - client.left) / 8);
        const int position = std::max(0, GetScrollPos(list, SB_HORZ) + (wParam == VK_LEFT ? -step : step));
        SendMessageW(list, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, position), 0);
        return 0;
    }
    const auto listBox = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(list, GWLP_USERDATA));
    return CallWindowProcW(listBox, list, message, wParam, lParam);
}

} // namespace

bool Root::Create()
{
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = instance_;
    // Shared with the system, which frees it; the window's own icons, sized
    // for its DPI, take its place once they are loaded.
    wc.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(IDI_TESSARINE));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = TESSARINE_WINDOW_CLASS;
    // A second window in the same process (as in the tests) finds the
    // class registered already.
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;

    dpi_ = Dpi::System();
    SIZE size;
    if (!FrameSize(dpi_, size)) return false;
    hwnd_ = CreateWindowExW(WindowExStyle, TESSARINE_WINDOW_CLASS, ::Caption, WindowStyle, CW_USEDEFAULT,
                            CW_USEDEFAULT, size.cx, size.cy, nullptr, nullptr, instance_, this);
    if (!hwnd_) return false;
    // The monitor the window landed on may have a scale of its own.
    if (const UINT landed = Dpi::OfWindow(hwnd_); landed != dpi_) {
        dpi_ = landed;
        if (!FrameSize(dpi_, size)
            || !SetWindowPos(hwnd_, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE))
            return false;
    }

    for (const auto& c : Layout) {
        const RECT r = Place(c, dpi_);
        HWND control = CreateWindowExW(c.exStyle, c.windowClass, c.text, WS_CHILD | c.style, r.left, r.top,
                                       r.right - r.left, r.bottom - r.top, hwnd_,
                                       reinterpret_cast<HMENU>(INT_PTR(c.id)), instance_, nullptr);
        if (!control) return false;
    }
    auto item = [this](int id) { return GetDlgItem(hwnd_, id); };
    LProdukte.hwnd = item(ControlIds::LProdukte);
    SetWindowLongPtrW(LProdukte.hwnd, GWLP_USERDATA, GetWindowLongPtrW(LProdukte.hwnd, GWLP_WNDPROC));
    if (!SetWindowLongPtrW(LProdukte.hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ListKeys))) return false;
    LRegister.hwnd = item(ControlIds::LRegister);
    bEntfernen.hwnd = item(ControlIds::bEntfernen);
    LTemp.hwnd = item(ControlIds::LTemp);
    bRestored.hwnd = item(ControlIds::bRestored);

    if (!SetFonts()) return false;
    SetIcons();
    for (const wchar_t* entry : ScopeEntries)
        if (LRegister.add(entry) < 0) return false;

    // Grey until the timer finds a restore file.
    const HMENU menu = GetSystemMenu(hwnd_, FALSE);
    if (!menu || !InsertMenuW(menu, SC_CLOSE, MF_BYCOMMAND | MF_STRING | MF_GRAYED, ControlIds::RestoreFiles,
                              L"Wiederherstellungs&dateien\u2026")
        || !InsertMenuW(menu, SC_CLOSE, MF_BYCOMMAND | MF_SEPARATOR, 0, nullptr))
        return false;

    return SetTimer(hwnd_, ControlIds::Timer1, 600, nullptr) != 0;
}

void Root::SetTabStops()
{
    // The list converts the stops into pixels with its font's character
    // width when it gets them: after every change of font they are given
    // again. Without them the list keeps the default stops; nothing else
    // depends on it.
    SendMessageW(LProdukte.hwnd, LB_SETTABSTOPS, ListTabStops.size(), reinterpret_cast<LPARAM>(ListTabStops.data()));
    InvalidateRect(LProdukte.hwnd, nullptr, TRUE);
}

bool Root::SetFonts()
{
    FontHandle windowFont(Tahoma(900, dpi_));
    FontHandle listFont(Tahoma(975, dpi_));
    if (!windowFont || !listFont) return false;
    for (const auto& c : Layout)
        SendMessageW(GetDlgItem(hwnd_, c.id), WM_SETFONT,
                     reinterpret_cast<WPARAM>(IsList(c) ? listFont.get() : windowFont.get()), TRUE);
    // The controls hold the new fonts now; the old ones are freed here.
    windowFont_ = std::move(windowFont);
    listFont_ = std::move(listFont);
    // The selection field of the closed box: its borders add 6 pixels.
    SendMessageW(LRegister.hwnd, CB_SETITEMHEIGHT, WPARAM(-1), Pixels(ScopeBoxHeight, dpi_) - 6);
    return true;
}

void Root::SetIcons()
{
    // Drawn for this DPI's icon sizes rather than shrunk or stretched from
    // another's. An icon that cannot be loaded leaves the one shown before.
    auto load = [this](int width, int height) {
        return IconHandle(static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_TESSARINE), IMAGE_ICON,
                                                        Dpi::Metric(width, dpi_), Dpi::Metric(height, dpi_), 0)));
    };
    if (IconHandle big = load(SM_CXICON, SM_CYICON)) {
        SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.get()));
        bigIcon_ = std::move(big);
    }
    if (IconHandle small = load(SM_CXSMICON, SM_CYSMICON)) {
        SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
        smallIcon_ = std::move(small);
    }
}

bool Root::OnGetDpiScaledSize(UINT dpi, SIZE& size) const
{
    // Windows would scale the whole window, frame and caption included; the
    // client area is what must keep its size in twips.
    return FrameSize(dpi, size);
}

void Root::OnDpiChanged(UINT dpi, const RECT& suggested)
{
    dpi_ = dpi;
    // Windows' rectangle keeps the window on the monitor it moved to. Should
    // the move fail, the window keeps its frame and its content still scales.
    (void)SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                       suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    // Without new fonts the controls keep the old ones, which stay valid.
    (void)SetFonts();
    for (const auto& c : Layout) {
        const RECT r = Place(c, dpi_);
        // A control that cannot move stays where it was; nothing else hangs on it.
        (void)MoveWindow(GetDlgItem(hwnd_, c.id), r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    }
    SetTabStops();
    UpdateListExtent();
    SetIcons();
}
