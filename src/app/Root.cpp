#include "app/Root.h"

#include "app/ControlIds.h"
#include "app/ErrorReport.h"
#include "platform/RegistryEditor.h"

namespace {

// WM_GETDPISCALEDSIZE, sent from Windows 10 1703 on; the headers declare it
// only for programs that require that Windows.
constexpr UINT WmGetDpiScaledSize = 0x02E4;

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
    // The fonts and icons go after the window that uses them.
    if (hwnd_) DestroyWindow(hwnd_);
}

void Root::Form_Load()
{
    SetTabStops();

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
    case WM_SYSCOMMAND:
        // The low four bits are the system's own.
        if ((wParam & 0xFFF0) != ControlIds::RestoreFiles) break;
        if (!failed_ && !Busy()) mRestoreFiles_Click();
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
    case WmGetDpiScaledSize:
        return OnGetDpiScaledSize(LOWORD(wParam), *reinterpret_cast<SIZE*>(lParam));
    case WM_DPICHANGED:
        OnDpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_CLOSE:
        OnClose();
        return 0;
    case ControlIds::IdleWork:
        // Another operation may have begun since; its end posts again.
        if (!failed_ && !Busy()) OnIdle();
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

void Root::PostIdle() noexcept
{
    // A message the queue cannot take leaves the list as it was or the
    // window open until the next operation ends; nothing is lost.
    if (hwnd_) (void)PostMessageW(hwnd_, ControlIds::IdleWork, 0, 0);
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

int Root::Ask(const std::wstring& text, const std::wstring& title, UINT style, HWND owner) const
{
    // A box owned by the window while a dialog of it is open would enable
    // the window under the dialog when it closes.
    return seams_.messageBox(owner ? owner : hwnd_, text, title, style);
}

RegistryEditor::Seams Root::EditorSeams() const
{
    RegistryEditor::Seams seams = RegistryEditor::WindowSeams();
    seams.start = seams_.startProcess;
    seams.timeoutSeconds = seams_.editorTimeoutSeconds;
    return seams;
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
