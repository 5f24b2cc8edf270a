// The names a screen reader finds for the lists, and the keys that stay as
// they were beside them.
#include "app/ControlIds.h"
#include "removal/WindowFixture.h"

using namespace test;

struct ScreenReader : WindowFixture {};

TEST_F(ScreenReader, ListsAreNamedByHiddenLabelsThatChangeNoKeys)
{
    AddProduct(HKEY_CURRENT_USER, L"Alpha");
    // The restore button is enabled, so that it is in the tab order.
    WriteFileBytes(folder.file(L"Uninstall.reg"), "x");
    Load();
    root->Show(SW_SHOWNOACTIVATE);

    // Windows names a list after the static text found walking back from it
    // in creation order.
    for (auto [list, name] : {std::pair{root->LProdukte.hwnd, L"Produkte"}, {root->LRegister.hwnd, L"Register"}}) {
        SCOPED_TRACE(Narrow(name));
        HWND label = GetWindow(list, GW_HWNDPREV);
        wchar_t kind[16] = L"", text[16] = L"";
        GetClassNameW(label, kind, 16);
        GetWindowTextW(label, text, 16);
        EXPECT_EQ(std::wstring(kind), L"Static");
        EXPECT_EQ(std::wstring(text), name);
        EXPECT_FALSE(GetWindowLongW(label, GWL_STYLE) & (WS_VISIBLE | WS_TABSTOP)) << "never shown, never a tab stop";
    }

    std::vector<HWND> walked;
    for (HWND at = root->LProdukte.hwnd; walked.size() < 4;)
        walked.push_back(at = GetNextDlgTabItem(root->hwnd(), at, FALSE));
    EXPECT_EQ(walked, (std::vector<HWND>{root->LRegister.hwnd, root->bEntfernen.hwnd, root->bRestored.hwnd,
                                         root->LProdukte.hwnd}));

    // Alt and a letter, as the event loop hands it to the dialog navigation;
    // the title of the box the button asks with, or none.
    for (auto [key, box] : {std::pair{L'e', L" Velmora Tessarine"}, {L'r', L" Wiederherstellungsdateien"},
                            {L'p', nullptr}, {L'g', nullptr}}) {
        SCOPED_TRACE(std::string(1, char(key)));
        root->LProdukte.select(0);
        SetFocus(root->LProdukte.hwnd);
        boxes.clear();
        MSG msg{root->LProdukte.hwnd, WM_SYSCHAR, WPARAM(key), LPARAM(1 | 1u << 29), 0, {}};
        IsDialogMessageW(root->hwnd(), &msg);
        std::vector<std::wstring> asked;
        for (const Box& b : boxes) asked.push_back(b.title);
        EXPECT_EQ(asked, box ? std::vector<std::wstring>{box} : std::vector<std::wstring>{});
    }
}
