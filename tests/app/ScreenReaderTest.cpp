// The names a screen reader finds for the lists, and the keys that stay as
// they were beside them.
#include "app/ControlIds.h"
#include "removal/WindowFixture.h"

using namespace test;

namespace {

struct Names : WindowFixture {
    void SetUp() override
    {
        AddProduct(HKEY_CURRENT_USER, L"Alpha");
        // The restore button is enabled, so that it is in the tab order.
        WriteFileBytes(folder.file(L"Uninstall.reg"), "x");
        WindowFixture::SetUp();
        Load();
        root->Show(SW_SHOWNOACTIVATE);
    }
};

std::wstring ClassOf(HWND hwnd)
{
    wchar_t name[64] = L"";
    GetClassNameW(hwnd, name, int(std::size(name)));
    return name;
}

std::wstring TextOf(HWND hwnd)
{
    wchar_t text[64] = L"";
    GetWindowTextW(hwnd, text, int(std::size(text)));
    return text;
}

} // namespace

TEST_F(Names, EachListHasAHiddenLabelJustBeforeIt)
{
    // Windows names a list after the static text found walking back from it
    // in creation order.
    const struct {
        HWND list;
        const wchar_t* name;
    } lists[] = {{root->LProdukte.hwnd, L"Produkte"}, {root->LRegister.hwnd, L"Register"}};
    for (const auto& l : lists) {
        SCOPED_TRACE(Narrow(l.name));
        HWND label = GetWindow(l.list, GW_HWNDPREV);
        ASSERT_TRUE(label);
        EXPECT_EQ(ClassOf(label), L"Static");
        EXPECT_EQ(TextOf(label), l.name);
        const LONG style = GetWindowLongW(label, GWL_STYLE);
        EXPECT_FALSE(style & WS_VISIBLE) << "the label is never shown";
        EXPECT_FALSE(style & WS_TABSTOP);
    }
}

TEST_F(Names, TabOrderAndAccessKeysStayAsTheyWere)
{
    HWND window = root->hwnd();
    std::vector<HWND> walked;
    for (HWND at = root->LProdukte.hwnd; walked.size() < 4;)
        walked.push_back(at = GetNextDlgTabItem(window, at, FALSE));
    EXPECT_EQ(walked, (std::vector<HWND>{root->LRegister.hwnd, root->bEntfernen.hwnd, root->bRestored.hwnd,
                                         root->LProdukte.hwnd}));

    // Alt and a letter, as the event loop hands it to the dialog navigation.
    const struct {
        wchar_t key;
        const wchar_t* box; // the title of the box the button asks with; none
    } keys[] = {{L'e', L" Velmora Tessarine"}, {L'r', L" Wiederherstellungsdateien"}, {L'p', nullptr},
                {L'g', nullptr}};
    for (const auto& k : keys) {
        SCOPED_TRACE(std::string(1, char(k.key)));
        root->LProdukte.select(0);
        SetFocus(root->LProdukte.hwnd);
        boxes.clear();
        MSG msg{root->LProdukte.hwnd, WM_SYSCHAR, WPARAM(k.key), LPARAM(1 | 1u << 29)};
        EXPECT_TRUE(IsDialogMessageW(window, &msg));
        if (k.box) {
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].title, k.box);
        } else {
            EXPECT_TRUE(boxes.empty()) << "no control has this access key";
        }
    }
}
