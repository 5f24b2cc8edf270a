// An error that its handler does not catch ends the program with the error
// report, and leaves neither a busy window nor a half-done removal behind.
#include "WindowFixture.h"

#include "app/ControlIds.h"
#include "app/ErrorReport.h"
#include "app/RestoreFilesDialog.h"

#include <commctrl.h>

#include <stdexcept>
#include <utility>

using namespace test;

namespace {

struct HandlerError : WindowFixture {
    void ClickRemove() const
    {
        // As a click arrives: through the window system.
        SendMessageW(root->hwnd(), WM_COMMAND, MAKEWPARAM(ControlIds::bEntfernen, BN_CLICKED),
                     LPARAM(root->bEntfernen.hwnd));
    }
};

} // namespace

TEST_F(HandlerError, EndsTheProgramWithTheErrorReport)
{
    AddProduct(HKEY_CURRENT_USER, L"Alpha");
    Load();
    Select(L"Alpha");
    answers = {IDYES};
    onStart = [](const std::wstring&, int) -> ProcessHandle { throw std::runtime_error("the editor"); };
    TakeQuit();

    ClickRemove();
    ASSERT_EQ(boxes.size(), 2u) << "the confirmation, then the report";
    EXPECT_EQ(boxes[1].text, ErrorReport::Unexpected);
    EXPECT_EQ(boxes[1].title, ErrorReport::Title);
    EXPECT_EQ(boxes[1].style, ErrorReport::Style);
    WPARAM exitCode = 0;
    EXPECT_TRUE(TakeQuit(&exitCode)) << "the event loop is told to end the program";
    EXPECT_EQ(exitCode, WPARAM(ErrorReport::ExitCode));
    EXPECT_FALSE(root->Busy());
    EXPECT_EQ(root->MousePointer(), Root::PointerDefault);
    EXPECT_TRUE(root->LProdukte.enabled());
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"Software\\Velmora\\Alpha"));

    ClickRemove();
    EXPECT_EQ(boxes.size(), 2u) << "a click that arrives while the program ends starts nothing";
}

namespace {

// The product list's own procedure, and whether clearing it fails.
WNDPROC listBox = nullptr;
bool clearingFails = false;

LRESULT CALLBACK FailingList(HWND list, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == LB_RESETCONTENT && clearingFails) throw std::runtime_error("the listing");
    return CallWindowProcW(listBox, list, message, wParam, lParam);
}

} // namespace

TEST_F(HandlerError, AnErrorInTheListingThatFollowsARemovalEndsTheProgramWithTheErrorReport)
{
    AddProduct(HKEY_CURRENT_USER, L"Alpha");
    AddProduct(HKEY_CURRENT_USER, L"Beta");
    Load();
    Select(L"Alpha");
    answers = {IDYES, IDOK};
    onStart = [this](const std::wstring& line, int show) {
        // The user picks another scope while the editor runs; its listing
        // waits for the removal's end.
        PickScope(1);
        return RegistryEditor::Start(line, show);
    };
    listBox = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(root->LProdukte.hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FailingList)));
    TakeQuit();

    ClickRemove();
    ASSERT_EQ(boxes.size(), 2u) << "the removal ran to its end";
    EXPECT_EQ(boxes[1].text, RemovedMessage);
    clearingFails = true;
    Settle();
    clearingFails = false;
    ASSERT_EQ(boxes.size(), 3u) << "the listing failed, and the report says so";
    EXPECT_EQ(boxes[2].text, ErrorReport::Unexpected);
    WPARAM exitCode = 0;
    EXPECT_TRUE(TakeQuit(&exitCode)) << "the event loop is told to end the program";
    EXPECT_EQ(exitCode, WPARAM(ErrorReport::ExitCode));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\Velmora\\Alpha"));
    SetWindowLongPtrW(root->LProdukte.hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(listBox));
}

namespace {

// The restore files dialog, found on its first tick; Enter's command then,
// and Esc's after a while, should nothing else have closed it.
HWND openDialog = nullptr;
int ticks = 0;
constexpr int TicksUntilEsc = 200;

void CALLBACK PressInDialog(HWND, UINT, UINT_PTR timer, DWORD)
{
    if (!openDialog) {
        openDialog = FindWindowW(L"#32770", RestoreFilesDialog::Title);
        if (openDialog) PostMessageW(openDialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    } else if (++ticks == TicksUntilEsc) {
        PostMessageW(openDialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
    if (ticks >= TicksUntilEsc) KillTimer(nullptr, timer);
}

} // namespace

TEST_F(HandlerError, AnErrorInTheRestoreFilesDialogEndsTheProgramWithTheErrorReport)
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    ASSERT_TRUE(InitCommonControlsEx(&controls)) << "the dialog's list view";
    WriteFileBytes(folder.file(L"Uninstall 2026-01-01 00-00-00.reg"),
                   Utf16File(RegHead
                             + L"[HKEY_CURRENT_USER\\Software\\Velmora\\Alpha]\r\n\"V\"=\"1\"\r\n\r\n"));
    Load();
    bool thrown = false;
    onBox = [&] {
        // The restore's question fails; the report after it does not.
        if (!std::exchange(thrown, true)) throw std::runtime_error("the question");
    };
    TakeQuit();
    openDialog = nullptr;
    ticks = 0;
    ASSERT_TRUE(SetTimer(nullptr, 0, 20, PressInDialog));

    SendMessageW(root->hwnd(), WM_SYSCOMMAND, ControlIds::RestoreFiles, 0);
    ASSERT_TRUE(openDialog) << "the dialog opened";
    EXPECT_LT(ticks, TicksUntilEsc) << "the error closed it";
    EXPECT_FALSE(IsWindow(openDialog));
    EXPECT_TRUE(IsWindowEnabled(root->hwnd())) << "the window is not left disabled under a dialog that is gone";
    ASSERT_EQ(boxes.size(), 2u) << "the question, then the report";
    EXPECT_EQ(boxes[1].text, ErrorReport::Unexpected);
    EXPECT_EQ(boxes[1].title, ErrorReport::Title);
    WPARAM exitCode = 0;
    EXPECT_TRUE(TakeQuit(&exitCode)) << "the event loop is told to end the program";
    EXPECT_EQ(exitCode, WPARAM(ErrorReport::ExitCode));
    EXPECT_FALSE(root->Busy());
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\Velmora\\Alpha")) << "nothing imported";
}
