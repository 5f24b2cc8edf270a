// Program start: one window, its start-up, and the event loop until it closes.
#include "app/ErrorReport.h"
#include "app/Root.h"
#include "platform/LoadLibraries.h"

#include <windows.h>
#include <commctrl.h>
#include <exception>

namespace {

int Fail(const wchar_t* text)
{
    MessageBoxW(nullptr, text, ErrorReport::Title, ErrorReport::Style);
    return ErrorReport::ExitCode;
}

int Run(HINSTANCE instance, int showCommand)
{
    // The list view is the restore files dialog's list.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES};
    // Without visual styles the controls still work; the plain look is all
    // that is lost. Should the list view be missing, the restore files
    // dialog does not open, and the window works as before.
    (void)InitCommonControlsEx(&controls);

    Root root(instance);
    if (!root.Create()) return Fail(L"Das Fenster konnte nicht angelegt werden.");
    root.Form_Load();
    root.Show(showCommand);

    MSG msg;
    BOOL got;
    while ((got = GetMessageW(&msg, nullptr, 0, 0)) != 0) {
        if (got == -1) return Fail(L"Die Ereignisverarbeitung ist fehlgeschlagen.");
        if (IsDialogMessageW(root.hwnd(), &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return int(msg.wParam);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand)
{
    LoadLibraries::FromTheSystemOnly();
    try {
        return Run(instance, showCommand);
    } catch (const std::exception&) {
        // The error report with which an uncaught error ends the program.
        return Fail(ErrorReport::Unexpected);
    }
}
