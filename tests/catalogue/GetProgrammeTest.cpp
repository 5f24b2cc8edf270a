#include "app/Root.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace test;

namespace {

const std::wstring Tab = L"\t";

struct Listing : ::testing::Test {
    void SetUp() override { ASSERT_TRUE(root.Create()); }
    void TearDown() override
    {
        if (root.hwnd()) DestroyWindow(root.hwnd());
        TakeQuit();
    }

    void ListScope(int scope)
    {
        root.LRegister.select(scope);
        root.LRegister_Click();
    }
    std::vector<std::wstring> Rows() const
    {
        std::vector<std::wstring> rows;
        for (int i = 0; i < root.LProdukte.count(); ++i) rows.push_back(root.LProdukte.text(i));
        return rows;
    }
    // Entry k of the name list is the name of row k.
    void ExpectNamesMatchRows() const
    {
        ASSERT_EQ(root.LTemp.count(), root.LProdukte.count());
        for (int i = 0; i < root.LProdukte.count(); ++i) {
            const std::wstring row = root.LProdukte.text(i);
            EXPECT_EQ(root.LTemp.text(i), row.substr(0, row.find(L'\t'))) << "entry " << i;
        }
    }

    CleanVelmora clean;
    Root root{GetModuleHandleW(nullptr)};
};

std::wstring Row(const std::wstring& name, const std::wstring& root, const std::wstring& dir,
                 const std::wstring& version)
{
    return name + Tab + root + Tab + dir + Tab + version;
}

} // namespace

TEST_F(Listing, BothRegistersShowADuplicateOnceAsMainRegisterProduct)
{
    AddProduct(HKEY_LOCAL_MACHINE, L"Beta", L"C:\\Programme\\Beta", L"2.5");
    AddProduct(HKEY_LOCAL_MACHINE, L"Alpha", L"C:\\Programme\\Alpha");
    AddProduct(HKEY_CURRENT_USER, L"ALPHA", L"C:\\User\\Alpha", L"9.9");
    AddProduct(HKEY_CURRENT_USER, L"alpine");
    ListScope(0);
    EXPECT_EQ(Rows(), (std::vector<std::wstring>{
                          Row(L"Alpha", L"HKEY_LOCAL_MACHINE", L"C:\\Programme\\Alpha", L"1.0"),
                          Row(L"alpine", L"HKEY_CURRENT_USER", L"<PROGRAMS>", L"1.0"),
                          Row(L"Beta", L"HKEY_LOCAL_MACHINE", L"C:\\Programme\\Beta", L"2.5"),
                      }));
    ExpectNamesMatchRows();
    EXPECT_EQ(root.LProdukte.selected(), -1) << "the scope selector selects no row";
    EXPECT_TRUE(root.bEntfernen.enabled());
    EXPECT_TRUE(root.LProdukte.enabled());
    EXPECT_EQ(root.MousePointer(), Root::PointerDefault);

    ListScope(0);
    EXPECT_EQ(Rows().size(), 3u) << "listing again does not double the list";
}

TEST_F(Listing, EachScopeListsItsOwnRegisters)
{
    AddProduct(HKEY_LOCAL_MACHINE, L"Alpha", L"C:\\Main");
    AddProduct(HKEY_CURRENT_USER, L"Alpha", L"C:\\User", L"3");
    AddProduct(HKEY_CURRENT_USER, L"Delta");
    ListScope(1);
    EXPECT_EQ(Rows(), (std::vector<std::wstring>{Row(L"Alpha", L"HKEY_CURRENT_USER", L"C:\\User", L"3"),
                                                 Row(L"Delta", L"HKEY_CURRENT_USER", L"<PROGRAMS>", L"1.0")}));
    ListScope(2);
    EXPECT_EQ(Rows(), (std::vector<std::wstring>{Row(L"Alpha", L"HKEY_LOCAL_MACHINE", L"C:\\Main", L"1.0")}));
    ExpectNamesMatchRows();
    ListScope(-1);
    EXPECT_TRUE(Rows().empty()) << "no scope lists nothing";
}

TEST_F(Listing, NoProductRootLeavesTheListEmpty)
{
    ListScope(0);
    EXPECT_TRUE(Rows().empty());
    EXPECT_EQ(root.LTemp.count(), 0);
    EXPECT_FALSE(root.bEntfernen.enabled()) << "nothing to remove";
    EXPECT_TRUE(root.LProdukte.enabled());
    EXPECT_EQ(root.MousePointer(), Root::PointerDefault);
}

TEST_F(Listing, ValuesThatAreEmptyOrNotTextGiveEmptyFields)
{
    const std::wstring key = std::wstring(Velmora) + L"\\Odd";
    SetString(HKEY_LOCAL_MACHINE, key, L"InstallDir", L"");
    SetDword(HKEY_LOCAL_MACHINE, key, L"Version", 7);
    const std::wstring multi = std::wstring(Velmora) + L"\\Multi";
    SetValue(HKEY_LOCAL_MACHINE, multi, L"InstallDir", REG_MULTI_SZ, L"a\0b\0", 10);
    ListScope(2);
    EXPECT_EQ(Rows(), (std::vector<std::wstring>{Row(L"Multi", L"HKEY_LOCAL_MACHINE", L"", L"1.0"),
                                                 Row(L"Odd", L"HKEY_LOCAL_MACHINE", L"", L"")}));
}

TEST_F(Listing, RowsAndNamesStayAlignedWhateverTheCollation)
{
    // Names whose punctuation a word sort may weigh differently from a tab.
    for (const wchar_t* name : {L"a-c", L"ab", L"a c", L"A_b", L"a.b", L"a", L"a'z", L"Ölwerk",
                                L"\u65e5\u672c\u8a9e", L"Zeta"})
        AddProduct(name[0] == L'a' ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE, name);
    ListScope(0);
    EXPECT_EQ(Rows().size(), 10u);
    ExpectNamesMatchRows();
    bool nonAnsiListed = false;
    for (const auto& row : Rows()) nonAnsiListed |= row.rfind(L"\u65e5\u672c\u8a9e\t", 0) == 0;
    EXPECT_TRUE(nonAnsiListed) << "a name outside the ANSI code page is listed as it is";
}

TEST_F(Listing, SortedWithoutRegardToCaseAcrossRegisters)
{
    AddProduct(HKEY_LOCAL_MACHINE, L"Beta");
    AddProduct(HKEY_CURRENT_USER, L"alpha");
    ListScope(0);
    ASSERT_EQ(Rows().size(), 2u);
    EXPECT_EQ(root.LTemp.text(0), L"alpha");
    EXPECT_EQ(root.LTemp.text(1), L"Beta");
}

TEST_F(Listing, AUserRegisterNameIsListedAgainExactlyWhenTheRegistryHoldsItApart)
{
    const std::vector<std::wstring> main = {L"\u00d6lwerk", L"Stra\u00dfe", L"a-c", L"Beta", L"\u65e5\u672c", L"x y"};
    // Each user-register name, and whether the registry takes it for a
    // main-register name: case alone makes no new product, while "ss" for
    // "\u00df", a missing hyphen or a second blank do.
    const std::vector<std::pair<std::wstring, bool>> user = {
        {L"\u00d6LWERK", true}, {L"STRASSE", false}, {L"ac", false},  {L"a-C", true},    {L"BETA", true},
        {L"beta2", false},     {L"\u65e5\u672c", true}, {L"X Y", true}, {L"x  y", false}, {L"Gamma", false}};
    for (const auto& name : main) AddProduct(HKEY_LOCAL_MACHINE, name);
    for (const auto& [name, same] : user) AddProduct(HKEY_CURRENT_USER, name);

    ListScope(0);
    ExpectNamesMatchRows();
    size_t expected = main.size();
    for (const auto& [name, same] : user) {
        bool userRow = false;
        for (const auto& row : Rows()) userRow |= row == name + Tab + L"HKEY_CURRENT_USER" + Tab + L"<PROGRAMS>" + Tab + L"1.0";
        EXPECT_EQ(same, KeyExists(HKEY_LOCAL_MACHINE, std::wstring(Velmora) + L"\\" + name))
            << "the registry finds the main register's key by this name: " << Narrow(name);
        EXPECT_EQ(userRow, !same) << Narrow(name);
        expected += !same;
    }
    EXPECT_EQ(Rows().size(), expected);
}

TEST_F(Listing, LeftAndRightScrollTheRowsSidewaysUpAndDownSelect)
{
    AddProduct(HKEY_CURRENT_USER, L"Alpha", L"C:\\Programme\\Velmora\\Alpha\\Erweiterungen\\Sprachpakete", L"2.0");
    AddProduct(HKEY_CURRENT_USER, L"Beta");
    root.Form_Load();
    const HWND list = root.LProdukte.hwnd;
    auto key = [list](WPARAM vk) { SendMessageW(list, WM_KEYDOWN, vk, 0); };
    ASSERT_EQ(GetScrollPos(list, SB_HORZ), 0);
    key(VK_RIGHT);
    key(VK_RIGHT);
    const int scrolled = GetScrollPos(list, SB_HORZ);
    EXPECT_GT(scrolled, 10) << "a key press moves a visible distance, not a pixel";
    EXPECT_EQ(root.LProdukte.selected(), 0) << "the selection stays";
    for (int i = 0; i < 100; ++i) key(VK_RIGHT);
    const int end = GetScrollPos(list, SB_HORZ);
    EXPECT_GE(end, scrolled);
    EXPECT_LE(end, int(SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0))) << "no further than the rows reach";
    key(VK_LEFT);
    EXPECT_LT(GetScrollPos(list, SB_HORZ), end);
    for (int i = 0; i < 100; ++i) key(VK_LEFT);
    EXPECT_EQ(GetScrollPos(list, SB_HORZ), 0);
    key(VK_DOWN);
    EXPECT_EQ(root.LProdukte.selected(), 1);
}
