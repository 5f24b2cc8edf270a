#include "app/Root.h"

#include "app/ControlIds.h"
#include "app/ErrorReport.h"
#include "app/resources/resource.h"
#include "platform/RegistryEditor.h"

#include <algorithm>
#include <array>

namespace {

constexpr wchar_t Caption[] = L"Velmora Tessarine";
constexpr int TwipsPerInch = 1440;

// Sizes in twips, as laid out: the client area and one control each.
constexpr int ClientWidth = 7620;
constexpr int ClientHeight = 5070;

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
constexpr std::array<ControlLayout, 5> Layout{{
    {ControlIds::LProdukte, L"LISTBOX", L"",
     WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | LBS_SORT | LBS_NOTIFY | LBS_USETABSTOPS
         | LBS_NOINTEGRALHEIGHT,
     WS_EX_CLIENTEDGE, 90, 540, 5910, 4380},
    {ControlIds::LRegister, L"COMBOBOX", L"",
     WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
     0, 90, 135, 5910, 330},
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

int ScreenDpi()
{
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

int Pixels(int twips, int dpi) { return MulDiv(twips, dpi, TwipsPerInch); }

// Tahoma at a size in hundredths of a point.
HFONT Tahoma(int centipoints, int dpi)
{
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(centipoints, dpi, 7200);
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

std::wstring ProgramFolder()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (n == 0) return L".";
        if (n < path.size()) { path.resize(n); break; }
        path.resize(path.size() * 2);
    }
    return path.substr(0, path.find_last_of(L'\\'));
}

} // namespace

Root::Root(HINSTANCE instance, RootSeams seams)
    : instance_(instance), seams_(std::move(seams))
{
    workingFolder_ = seams_.workingFolder.empty() ? ProgramFolder() : seams_.workingFolder;
    if (!seams_.messageBox)
        seams_.messageBox = [](HWND owner, const std::wstring& text, const std::wstring& title, UINT style) {
            return MessageBoxW(owner, text.c_str(), title.c_str(), style);
        };
    if (!seams_.startProcess) seams_.startProcess = RegistryEditor::Start;
}

Root::~Root()
{
    if (hwnd_) DestroyWindow(hwnd_);
    if (windowFont_) DeleteObject(windowFont_);
    if (listFont_) DeleteObject(listFont_);
}

bool Root::Create()
{
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = instance_;
    // Both icons are shared with the system, which frees them; without them
    // the window shows the default icon, or one shrunk from the large one.
    wc.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(IDI_TESSARINE));
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_TESSARINE), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                               LR_SHARED));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = TESSARINE_WINDOW_CLASS;
    // A second window in the same process (as in the tests) finds the
    // class registered already.
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;

    const int dpi = ScreenDpi();
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_APPWINDOW | WS_EX_CONTROLPARENT;
    RECT frame{0, 0, Pixels(ClientWidth, dpi), Pixels(ClientHeight, dpi)};
    if (!AdjustWindowRectEx(&frame, style, FALSE, exStyle)) return false;

    hwnd_ = CreateWindowExW(exStyle, TESSARINE_WINDOW_CLASS, ::Caption, style,
                            CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                            frame.bottom - frame.top, nullptr, nullptr, instance_, this);
    if (!hwnd_) return false;

    windowFont_ = Tahoma(900, dpi);
    listFont_ = Tahoma(975, dpi);
    for (const auto& c : Layout) {
        const bool list = c.id == ControlIds::LProdukte || c.id == ControlIds::LTemp;
        // The closed drop-down list is as high as laid out; the height given
        // here also covers its open list.
        const int height = c.id == ControlIds::LRegister ? Pixels(c.height, dpi) * 8 : Pixels(c.height, dpi);
        HWND control = CreateWindowExW(c.exStyle, c.windowClass, c.text, WS_CHILD | c.style,
                                       Pixels(c.left, dpi), Pixels(c.top, dpi), Pixels(c.width, dpi),
                                       height, hwnd_, reinterpret_cast<HMENU>(INT_PTR(c.id)), instance_,
                                       nullptr);
        if (!control) return false;
        SendMessageW(control, WM_SETFONT, WPARAM(list ? listFont_ : windowFont_), FALSE);
    }
    auto item = [this](int id) { return GetDlgItem(hwnd_, id); };
    LProdukte.hwnd = item(ControlIds::LProdukte);
    SetWindowLongPtrW(LProdukte.hwnd, GWLP_USERDATA, GetWindowLongPtrW(LProdukte.hwnd, GWLP_WNDPROC));
    if (!SetWindowLongPtrW(LProdukte.hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ListKeys))) return false;
    LRegister.hwnd = item(ControlIds::LRegister);
    bEntfernen.hwnd = item(ControlIds::bEntfernen);
    LTemp.hwnd = item(ControlIds::LTemp);
    bRestored.hwnd = item(ControlIds::bRestored);

    // The selection field of the closed box: its borders add 6 pixels.
    SendMessageW(LRegister.hwnd, CB_SETITEMHEIGHT, WPARAM(-1), Pixels(330, dpi) - 6);
    for (const wchar_t* entry : ScopeEntries)
        if (LRegister.add(entry) < 0) return false;

    return SetTimer(hwnd_, ControlIds::Timer1, 600, nullptr) != 0;
}

void Root::Form_Load()
{
    // Without them the list keeps the default stops; nothing else depends on it.
    SendMessageW(LProdukte.hwnd, LB_SETTABSTOPS, ListTabStops.size(), reinterpret_cast<LPARAM>(ListTabStops.data()));
    InvalidateRect(LProdukte.hwnd, nullptr, TRUE);

    LRegister.select(0);
    LRegister_Click();
    if (LProdukte.count() != 0) LProdukte.select(0);
    Timer1_Timer();
}

void Root::Show(int showCommand)
{
    RECT window, work;
    if (GetWindowRect(hwnd_, &window) && SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0)) {
        const int w = window.right - window.left, h = window.bottom - window.top;
        SetWindowPos(hwnd_, nullptr, work.left + (work.right - work.left - w) / 2,
                     work.top + (work.bottom - work.top - h) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
    ShowWindow(hwnd_, showCommand);
    UpdateWindow(hwnd_);
    SetFocus(LProdukte.hwnd);
}

LRESULT CALLBACK Root::WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto self = static_cast<Root*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto self = reinterpret_cast<Root*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
    // An error must not pass through the window system's own frames, which
    // may swallow it and go on as if the handler had finished. By now the
    // failed handler has unwound; the program ends with its error report.
    try {
        return self->OnMessage(message, wParam, lParam);
    } catch (...) {
        self->EndWithErrorReport();
        return 0;
    }
}

LRESULT Root::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_TIMER:
        if (wParam == ControlIds::Timer1) Timer1_Timer();
        return 0;
    case WM_SETCURSOR:
        if (OnSetCursor()) return TRUE;
        break;
    case WM_ACTIVATE:
        // Still the control's, until the window that is activated takes it.
        if (LOWORD(wParam) == WA_INACTIVE) focusKept_ = GetFocus();
        break;
    case WM_SETFOCUS:
        OnSetFocus();
        return 0;
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_DESTROY:
        KillTimer(hwnd_, ControlIds::Timer1);
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        hwnd_ = nullptr;
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

void Root::OnCommand(int id, int code)
{
    if (failed_) return; // the program is ending
    switch (id) {
    case ControlIds::LRegister:
        if (code != CBN_SELCHANGE) break;
        // A second listing must not run inside the first; the newest choice
        // is listed once the running operation has ended.
        if (Busy()) relistPending_ = true;
        else LRegister_Click();
        break;
    case ControlIds::LProdukte:
        if (code == LBN_DBLCLK) LProdukte_DblClick();
        break;
    case ControlIds::bEntfernen:
        if (code == BN_CLICKED && !Busy()) bEntfernen_Click();
        break;
    case ControlIds::bRestored:
        if (code == BN_CLICKED && !Busy()) bRestored_Click();
        break;
    }
}

bool Root::OnSetCursor()
{
    if (pointer_ == PointerDefault) return false;
    SetCursor(LoadCursorW(nullptr, pointer_ == PointerHourglass ? IDC_WAIT : IDC_APPSTARTING));
    return true;
}

void Root::OnSetFocus()
{
    // The window gets the focus whenever it is activated again, as after
    // every message box, but takes no keys itself: the control that had the
    // focus gets it back, or the product list if that control cannot take it.
    HWND target = focusKept_;
    if (!target || !IsChild(hwnd_, target) || !IsWindowVisible(target) || !IsWindowEnabled(target))
        target = LProdukte.hwnd;
    // A list that is disabled meanwhile gets the focus when its operation ends.
    if (IsWindowEnabled(target)) (void)SetFocus(target);
}

void Root::OnClose()
{
    // The running handler still uses the window; it closes when that ends.
    if (Busy()) closePending_ = true;
    else DestroyWindow(hwnd_);
}

void Root::OnIdle()
{
    if (closePending_) {
        closePending_ = false;
        DestroyWindow(hwnd_);
        return;
    }
    if (relistPending_) {
        relistPending_ = false;
        LRegister_Click();
        return;
    }
    // A control that had the focus may have been disabled meanwhile.
    const HWND focus = GetFocus();
    if (hwnd_ && GetForegroundWindow() == hwnd_ && (!focus || focus == hwnd_)) (void)SetFocus(LProdukte.hwnd);
}

void Root::EndWithErrorReport() noexcept
{
    // One report, however many handlers fail while it shows.
    if (failed_) return;
    failed_ = true;
    Ask(ErrorReport::Unexpected, ErrorReport::Title, ErrorReport::Style);
    PostQuitMessage(ErrorReport::ExitCode);
}

void Root::Disable(HWND control)
{
    // Disabling the control that has the focus leaves the window without
    // one: Tab and the arrow keys would do nothing until the user clicks.
    // Should the list not take it, that is where things stood before.
    if (control != LProdukte.hwnd && GetFocus() == control) (void)SetFocus(LProdukte.hwnd);
    EnableWindow(control, FALSE);
}

void Root::SetMousePointer(int code)
{
    pointer_ = code;
    SetCursor(LoadCursorW(nullptr, code == PointerHourglass       ? IDC_WAIT
                                 : code == PointerArrowHourglass ? IDC_APPSTARTING
                                                                 : IDC_ARROW));
}

int Root::Ask(const std::wstring& text, const std::wstring& title, UINT style) const
{
    return seams_.messageBox(hwnd_, text, title, style);
}

ProcessHandle Root::StartEditor(const std::wstring& commandLine, int showStyle) const
{
    return seams_.startProcess(commandLine, showStyle);
}

std::wstring Root::Caption() const
{
    wchar_t text[256] = L"";
    GetWindowTextW(hwnd_, text, int(std::size(text)));
    return text;
}

Root::BusyState::BusyState(Root& root, int pointer) : root_(root)
{
    root_.SetMousePointer(pointer);
    root_.Disable(root_.bEntfernen.hwnd);
    root_.LProdukte.enable(false);
}

void Root::BusyState::End()
{
    if (ended_) return;
    ended_ = true;
    root_.SetMousePointer(PointerDefault);
    if (root_.LProdukte.count() != 0) root_.bEntfernen.enable(true);
    root_.LProdukte.enable(true);
}
