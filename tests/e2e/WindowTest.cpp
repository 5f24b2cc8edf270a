// The real Tessarine.exe under Wine, driven from outside as a user would.
#include "Driver.h"

#include "app/ControlIds.h"
#include "support/Screen.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

using namespace test;

namespace {

const std::wstring Done = RemovedMessage;

std::wstring Row(const std::wstring& name, const std::wstring& root, const std::wstring& dir = L"<PROGRAMS>",
                 const std::wstring& version = L"1.0")
{
    return name + L"\t" + root + L"\t" + dir + L"\t" + version;
}

// Restores as a user does, confirming it; true once the restore file is gone.
bool RestoreConfirmed(const Driver& app, const ScratchFolder& folder)
{
    app.Click(ControlIds::bRestored);
    HWND restore = app.WaitForBox(L" Wiederherstellungsdateien");
    if (!restore) return false;
    app.Press(restore, IDYES);
    return WaitFor([&] { return !FileThere(folder.file(L"Uninstall.reg")); }, 20000);
}

struct EndToEnd : ::testing::Test {
    CleanVelmora clean;
    ScratchFolder folder;
};

} // namespace

TEST_F(EndToEnd, WindowListsScopesAndFollowsTheRestoreFile)
{
    AddProduct(HKEY_LOCAL_MACHINE, L"Alpha", L"C:\\Programme\\Alpha", L"2.0");
    AddProduct(HKEY_LOCAL_MACHINE, L"Gamma");
    AddProduct(HKEY_CURRENT_USER, L"ALPHA", L"C:\\User");
    AddProduct(HKEY_CURRENT_USER, L"beta", L"C:\\Beta", L"0.9");
    Driver app(TESSARINE_EXE, folder.path());
    ASSERT_TRUE(app.started());

    EXPECT_EQ(app.Rows(), (std::vector<std::wstring>{Row(L"Alpha", L"HKEY_LOCAL_MACHINE", L"C:\\Programme\\Alpha", L"2.0"),
                                                     Row(L"beta", L"HKEY_CURRENT_USER", L"C:\\Beta", L"0.9"),
                                                     Row(L"Gamma", L"HKEY_LOCAL_MACHINE")}));
    EXPECT_EQ(app.SelectedRow(), 0);
    EXPECT_EQ(SendMessageW(app.control(ControlIds::LRegister), CB_GETCURSEL, 0, 0), 0);
    EXPECT_TRUE(app.Enabled(ControlIds::bEntfernen));
    EXPECT_FALSE(app.Enabled(ControlIds::bRestored)) << "no restore file at start";

    // The window as laid out, at 96 DPI.
    EXPECT_EQ(app.Text(app.window()), L"Velmora Tessarine");
    RECT client;
    GetClientRect(app.window(), &client);
    EXPECT_EQ(client.right, 508);
    EXPECT_EQ(client.bottom, 338);
    const LONG style = GetWindowLongW(app.window(), GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
    EXPECT_EQ(app.Text(app.control(ControlIds::bEntfernen)), L"&Entfernen");
    EXPECT_EQ(app.Text(app.control(ControlIds::bRestored)), L"&Restored");
    EXPECT_FALSE(IsWindowVisible(app.control(ControlIds::LTemp)));
    HWND combo = app.control(ControlIds::LRegister);
    ASSERT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 3);
    const wchar_t* entries[] = {L"Beide Registertypen verwenden", L"Nur Benutzerregister anzeigen",
                                L"Nur Hauptregister benutzen"};
    for (int i = 0; i < 3; ++i) {
        wchar_t text[64] = L"";
        SendMessageW(combo, CB_GETLBTEXT, WPARAM(i), LPARAM(text));
        EXPECT_EQ(std::wstring(text), entries[i]);
    }
    Screenshot(app.window(), L"window-lists-" + std::to_wstring(ScreenDpi()) + L"dpi.bmp");

    app.PickScope(1);
    ASSERT_TRUE(app.WaitIdle());
    EXPECT_EQ(app.Rows(), (std::vector<std::wstring>{Row(L"ALPHA", L"HKEY_CURRENT_USER", L"C:\\User"),
                                                     Row(L"beta", L"HKEY_CURRENT_USER", L"C:\\Beta", L"0.9")}));
    EXPECT_EQ(app.SelectedRow(), -1) << "a user's pick leaves no row selected";
    app.PickScope(2);
    app.PickScope(2);
    ASSERT_TRUE(app.WaitIdle());
    EXPECT_EQ(app.Rows(), (std::vector<std::wstring>{Row(L"Alpha", L"HKEY_LOCAL_MACHINE", L"C:\\Programme\\Alpha", L"2.0"),
                                                     Row(L"Gamma", L"HKEY_LOCAL_MACHINE")}))
        << "the same scope twice gives the same list";

    WriteFileBytes(folder.file(L"Uninstall.reg"), "x");
    EXPECT_TRUE(WaitFor([&] { return app.Enabled(ControlIds::bRestored); }, 1500));
    DeleteFileW(folder.file(L"Uninstall.reg").c_str());
    EXPECT_TRUE(WaitFor([&] { return !app.Enabled(ControlIds::bRestored); }, 1500));
    EXPECT_TRUE(app.Close()) << "closing the window ends the program";
}

TEST_F(EndToEnd, EmptyRegistryLeavesNothingToRemove)
{
    Driver app(TESSARINE_EXE, folder.path());
    ASSERT_TRUE(app.started());
    EXPECT_TRUE(app.Rows().empty());
    EXPECT_EQ(app.SelectedRow(), -1);
    EXPECT_FALSE(app.Enabled(ControlIds::bEntfernen));
    EXPECT_TRUE(app.Enabled(ControlIds::LProdukte));
}

TEST_F(EndToEnd, RemovalAndRestoreThroughTheRealEditor)
{
    const std::wstring name = L"Gr\u00fcn Werk";
    const std::wstring key = L"Software\\Velmora\\" + name;
    AddProduct(HKEY_LOCAL_MACHINE, name, L"C:\\Programme\\Gr\u00fcn", L"1.2");
    AddProduct(HKEY_CURRENT_USER, name, L"C:\\User");
    SetDword(HKEY_CURRENT_USER, key + L"\\Plugins\\Export", L"Enabled", 1);
    AddProduct(HKEY_CURRENT_USER, L"Other");
    const std::string before = RegistryDump();
    Driver app(TESSARINE_EXE, folder.path());
    ASSERT_TRUE(app.started());
    ASSERT_EQ(app.Rows().size(), 2u);
    app.SelectRow(0);

    EXPECT_EQ(RemoveSelected(app, name), Done);
    ASSERT_TRUE(app.WaitIdle());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, key));
    EXPECT_EQ(app.Rows().size(), 1u);
    EXPECT_TRUE(FileThere(folder.file(L"Uninstall.reg")));
    EXPECT_TRUE(WaitFor([&] { return app.Enabled(ControlIds::bRestored); }, 1500));

    ASSERT_TRUE(RestoreConfirmed(app, folder));
    // The list is usable for a moment between the two registers' listings;
    // the restore has ended once both are listed and the first row selected.
    EXPECT_TRUE(WaitFor([&] { return app.Rows().size() == 2 && app.SelectedRow() == 0; }, 20000));
    ASSERT_TRUE(app.WaitIdle());
    EXPECT_TRUE(FileThere(folder.file(L"Uninstall.bak")));
    EXPECT_EQ(RegistryDump(), before) << "the registry is as it was";
    EXPECT_TRUE(app.Close());
}

TEST_F(EndToEnd, OnlyTheSystemsOwnEditorRunsWithTheRightsItNeeds)
{
    const std::wstring key = L"Software\\Velmora\\Alpha";
    AddProduct(HKEY_CURRENT_USER, L"Alpha", L"C:\\Alpha");
    // A Regedit.exe in the program's own folder, which is also the folder
    // the program writes into.
    ASSERT_TRUE(CopyFileW(TESSARINE_STAND_IN_EXE, folder.file(L"Regedit.exe").c_str(), FALSE));
    Driver app(TESSARINE_EXE, folder.path());
    ASSERT_TRUE(app.started());
    app.SelectRow(0);
    EXPECT_EQ(RemoveSelected(app, L"Alpha"), Done);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, key));
    ASSERT_TRUE(WaitFor([&] { return app.Enabled(ControlIds::bRestored); }, 5000));
    EXPECT_TRUE(RestoreConfirmed(app, folder));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, key));
    EXPECT_FALSE(FileThere(folder.file(L"planted-editor-ran.txt"))) << "the planted editor ran";
    EXPECT_TRUE(app.Close());

    // The editor asks for the highest rights available; so does the program.
    HMODULE exe = LoadLibraryExW(TESSARINE_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(exe);
    HRSRC found = FindResourceW(exe, MAKEINTRESOURCEW(1), RT_MANIFEST);
    ASSERT_TRUE(found);
    const std::string manifest(static_cast<const char*>(LockResource(LoadResource(exe, found))),
                               SizeofResource(exe, found));
    EXPECT_NE(manifest.find("level=\"highestAvailable\""), std::string::npos) << manifest;
    FreeLibrary(exe);
}

TEST_F(EndToEnd, KeyboardAloneReachesEveryControlAndRemoves)
{
    AddProduct(HKEY_CURRENT_USER, L"Alpha");
    AddProduct(HKEY_CURRENT_USER, L"Beta");
    Driver app(TESSARINE_EXE, folder.path());
    ASSERT_TRUE(app.started());
    ASSERT_TRUE(WaitFor([&] { return app.Focus() == app.control(ControlIds::LProdukte); }, 5000))
        << "the list has the focus after the start";

    // Tab walks the controls in their order and skips the disabled restore
    // button and the hidden name list.
    std::vector<int> walked;
    for (int step = 0; step < 3; ++step) {
        HWND before = app.Focus();
        app.Key(VK_TAB);
        ASSERT_TRUE(WaitFor([&] { return app.Focus() != before; }, 5000)) << "step " << step;
        walked.push_back(GetDlgCtrlID(app.Focus()));
    }
    EXPECT_EQ(walked, (std::vector<int>{ControlIds::LRegister, ControlIds::bEntfernen, ControlIds::LProdukte}));

    app.Key(VK_DOWN);
    EXPECT_TRUE(WaitFor([&] { return app.SelectedRow() == 1; }, 5000)) << "the arrow keys move the selection";

    // Alt+E is the removal button; declined, it leaves everything in place.
    app.AltKey(L'e');
    HWND ask = app.WaitForBox(L" Velmora Tessarine");
    ASSERT_TRUE(ask);
    app.Press(ask, IDNO);
    ASSERT_TRUE(app.WaitIdle());
    EXPECT_EQ(app.Rows().size(), 2u);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"Software\\Velmora\\Beta"));
    EXPECT_TRUE(app.Close());
}

TEST_F(EndToEnd, WindowScalesWithTheScreenDpi)
{
    const int dpi = ScreenDpi();
    if (const char* expected = std::getenv("TESSARINE_EXPECT_DPI")) EXPECT_EQ(dpi, std::atoi(expected));
    AddProduct(HKEY_LOCAL_MACHINE, L"Alpha Studio", L"C:\\Programme\\Velmora\\Alpha Studio", L"3.1");
    AddProduct(HKEY_CURRENT_USER, L"Gr\u00fcne W\u00fcrfel \u00d6ko");
    Driver app(TESSARINE_EXE, folder.path());
    ASSERT_TRUE(app.started());
    RECT client, list, button;
    GetClientRect(app.window(), &client);
    EXPECT_EQ(client.right, MulDiv(7620, dpi, 1440));
    EXPECT_EQ(client.bottom, MulDiv(5070, dpi, 1440));
    GetWindowRect(app.control(ControlIds::LProdukte), &list);
    GetWindowRect(app.control(ControlIds::bEntfernen), &button);
    EXPECT_EQ(button.right - button.left, MulDiv(1320, dpi, 1440));
    EXPECT_LT(list.right, button.left) << "the list stays left of the buttons";
    Screenshot(app.window(), L"window-" + std::to_wstring(dpi) + L"dpi.bmp");
}

TEST_F(EndToEnd, WidestRowScrollsIntoViewWhole)
{
    const int dpi = ScreenDpi();
    AddProduct(HKEY_LOCAL_MACHINE, L"Alpha", L"C:\\A", L"1");
    AddProduct(HKEY_LOCAL_MACHINE, L"Zeta Werkzeuge",
               L"C:\\Programme\\Velmora\\Zeta Werkzeuge\\Erweiterungen\\Sprachpakete", L"2026.12.07-Build 4711");
    Driver app(TESSARINE_EXE, folder.path());
    ASSERT_TRUE(app.started());
    HWND list = app.control(ControlIds::LProdukte);
    auto scrollBar = [&] { return (GetWindowLongW(list, GWL_STYLE) & WS_HSCROLL) != 0; };
    auto extent = [&] { return int(SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0)); };
    auto height = [&] {
        RECT r;
        GetWindowRect(list, &r);
        return r.bottom - r.top;
    };
    RECT client;
    GetClientRect(list, &client);
    EXPECT_TRUE(scrollBar()) << "rows wider than the list show the scroll bar";
    EXPECT_GT(extent(), client.right);
    EXPECT_EQ(height(), MulDiv(4380, dpi, 1440)) << "the scroll bar takes its room from the rows";

    // Scrolled fully right, the widest row (not the selected one, whose
    // highlight fills the whole row) ends just inside the list's right edge:
    // its last character is not cut, and no column of empty room follows.
    // The screen shows what the list drew a little later, hence the wait.
    SendMessageW(list, WM_HSCROLL, SB_RIGHT, 0);
    const int most = MulDiv(4, dpi, 96);
    int gap = -1;
    WaitFor([&] { return (gap = GapRightOfRow(list, 1)) >= 1 && gap <= most; }, 3000);
    EXPECT_GE(gap, 1) << "the version's last character is cut at the list's edge";
    EXPECT_LE(gap, most) << "the list scrolls further than its widest row reaches";
    Screenshot(app.window(), L"scrolled-right-" + std::to_wstring(dpi) + L"dpi.bmp");

    // Once the widest row is removed, the list reaches only as far as the rest.
    const int before = extent();
    app.SelectRow(1);
    EXPECT_EQ(RemoveSelected(app, L"Zeta Werkzeuge"), Done);
    ASSERT_TRUE(app.WaitIdle());
    ASSERT_EQ(app.Rows().size(), 1u);
    EXPECT_LT(extent(), before);
    EXPECT_TRUE(scrollBar()) << "the last stop alone lies beyond the list's edge";

    app.PickScope(1);
    ASSERT_TRUE(app.WaitIdle());
    EXPECT_TRUE(app.Rows().empty());
    EXPECT_FALSE(scrollBar()) << "an empty list has nothing to scroll to";
    EXPECT_EQ(height(), MulDiv(4380, dpi, 1440)) << "the list keeps its height as the scroll bar comes and goes";
    EXPECT_TRUE(app.Close());
}

TEST_F(EndToEnd, FocusStaysInReachAfterARestore)
{
    AddProduct(HKEY_CURRENT_USER, L"Alpha");
    AddProduct(HKEY_CURRENT_USER, L"Beta");
    Driver app(TESSARINE_EXE, folder.path());
    ASSERT_TRUE(app.started());
    HWND restored = app.control(ControlIds::bRestored);
    // The restore clicked with the mouse (a click focuses the button), and
    // by its access key.
    const struct {
        const char* how;
        std::function<void()> restore;
    } ways[] = {
        {"click", [&] { app.Click(ControlIds::bRestored); }},
        {"Alt+R", [&] { app.AltKey(L'r'); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.how);
        app.SelectRow(0);
        ASSERT_EQ(RemoveSelected(app, L"Alpha"), Done);
        ASSERT_TRUE(WaitFor([&] { return app.Enabled(ControlIds::bRestored); }, 5000));
        way.restore();
        HWND ask = app.WaitForBox(L" Wiederherstellungsdateien");
        ASSERT_TRUE(ask);
        app.Press(ask, IDYES);
        // The timer disables the restore button once its file is gone.
        ASSERT_TRUE(WaitFor([&] { return !IsWindowEnabled(restored); }, 20000));
        ASSERT_TRUE(app.WaitIdle());
        EXPECT_TRUE(WaitFor([&] { return app.Focus() == app.control(ControlIds::LProdukte); }, 3000))
            << "the focus went with the disabled button";
        app.Key(VK_TAB);
        EXPECT_TRUE(WaitFor([&] { return app.Focus() == app.control(ControlIds::LRegister); }, 3000))
            << "Tab moves on from the list";
        app.Key(VK_TAB);
        app.Key(VK_TAB);
        EXPECT_TRUE(WaitFor([&] { return app.Focus() == app.control(ControlIds::LProdukte); }, 3000));
    }
    EXPECT_TRUE(app.Close());
}

TEST_F(EndToEnd, ScrollRangeFollowsTheRowsAfterAScopeChange)
{
    // Both registers: Zeta's main-register row is short, Atlas is the
    // widest row. The user register alone has one row fewer, still holds
    // Atlas, and Zeta's user-register row is now wider than Atlas.
    AddProduct(HKEY_CURRENT_USER, L"Atlas", L"C:\\Programme\\Velmora\\Atlas\\Erweiterungen", L"2.0");
    AddProduct(HKEY_LOCAL_MACHINE, L"Beta", L"C:\\B", L"1");
    AddProduct(HKEY_LOCAL_MACHINE, L"Zeta", L"C:\\Z", L"1");
    AddProduct(HKEY_CURRENT_USER, L"Zeta",
               L"C:\\Benutzer\\Programme\\Velmora\\Zeta\\Erweiterungen\\Sprachpakete\\Deutsch", L"2026.12.07");
    Driver app(TESSARINE_EXE, folder.path());
    ASSERT_TRUE(app.started());
    ASSERT_EQ(app.Rows().size(), 3u);
    HWND list = app.control(ControlIds::LProdukte);
    auto extent = [&] { return int(SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0)); };
    const int before = extent();

    app.PickScope(1);
    ASSERT_TRUE(app.WaitIdle());
    ASSERT_EQ(app.Rows().size(), 2u);
    EXPECT_GT(extent(), before) << "the scroll range kept the width of the list before";
    // Scrolled fully right, Zeta's row ends just inside the list's edge (row
    // 0 carries the list's focus frame, which spans the whole row).
    SendMessageW(list, WM_HSCROLL, SB_RIGHT, 0);
    const int most = MulDiv(4, ScreenDpi(), 96);
    int gap = -1;
    WaitFor([&] { return (gap = GapRightOfRow(list, 1)) >= 1 && gap <= most; }, 3000);
    EXPECT_GE(gap, 1) << "the widest row cannot be scrolled into view";
    EXPECT_LE(gap, most);
    EXPECT_TRUE(app.Close());
}

TEST_F(EndToEnd, AKeyNameOf256CharactersHidesNoProduct)
{
    // Wine creates key names one character longer than Windows allows.
    const std::wstring longName(256, L'L');
    AddProduct(HKEY_LOCAL_MACHINE, L"Alpha");
    AddProduct(HKEY_LOCAL_MACHINE, longName);
    AddProduct(HKEY_CURRENT_USER, L"Beta");
    Driver app(TESSARINE_EXE, folder.path());
    ASSERT_TRUE(app.started());
    EXPECT_EQ(app.Rows(), (std::vector<std::wstring>{Row(L"Alpha", L"HKEY_LOCAL_MACHINE"),
                                                     Row(L"Beta", L"HKEY_CURRENT_USER"),
                                                     Row(longName, L"HKEY_LOCAL_MACHINE")}));
    EXPECT_TRUE(app.Close());
}
