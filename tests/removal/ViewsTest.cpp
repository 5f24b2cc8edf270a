// Products that 32-bit installers registered in the main register's 32-bit
// view, seeded as such an installer writes them (KEY_WOW64_32KEY): listed,
// removed and restored in the view where they live, with the real editor.
#include "WindowFixture.h"

#include <algorithm>
#include <tuple>

using namespace test;

namespace {

const std::wstring Alpha = L"Software\\Velmora\\Alpha";

// Where a product's key can be: the main register's 64-bit and 32-bit views
// and the user register.
struct Place {
    HKEY root;
    REGSAM view;
    const wchar_t* fullKeyName; // as the editor and the restore file name it
    std::wstring RestoreFile::Paths::*exportFile;
    bool inScope[3];            // for the scopes 0, 1, 2
    std::wstring row;
    std::vector<std::wstring> subkeys;
};

const Place Places[] = {
    {HKEY_LOCAL_MACHINE, 0, L"HKEY_LOCAL_MACHINE\\Software\\Velmora\\Alpha", &RestoreFile::Paths::mainExport,
     {true, false, true}, L"Alpha\tHKEY_LOCAL_MACHINE\tC:\\Programme\\Alpha\t2.0", {L"\\Plugins", L"\\Plugins\\Eins"}},
    {HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, L"HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Velmora\\Alpha",
     &RestoreFile::Paths::mainExport32, {true, false, true},
     L"Alpha\tHKEY_LOCAL_MACHINE\tC:\\Programme (x86)\\Alpha\t1.5", {L"\\Legacy"}},
    {HKEY_CURRENT_USER, 0, L"HKEY_CURRENT_USER\\Software\\Velmora\\Alpha", &RestoreFile::Paths::userExport,
     {true, true, false}, L"Alpha\tHKEY_CURRENT_USER\tC:\\User\\Alpha\t1.0", {}},
};

void Seed(size_t place)
{
    const REGSAM view = Places[place].view;
    switch (place) {
    case 0:
        AddProduct(HKEY_LOCAL_MACHINE, L"Alpha", L"C:\\Programme\\Alpha", L"2.0");
        SetDword(HKEY_LOCAL_MACHINE, Alpha + L"\\Plugins\\Eins", L"An", 1);
        break;
    case 1: {
        AddProduct(HKEY_LOCAL_MACHINE, L"Alpha", L"C:\\Programme (x86)\\Alpha", L"1.5", view);
        SetString(HKEY_LOCAL_MACHINE, Alpha, L"Pfad", L"%ProgramFiles(x86)%\\Alpha", REG_EXPAND_SZ, view);
        const BYTE blob[] = {0, 1, 2, 0xFE};
        SetValue(HKEY_LOCAL_MACHINE, Alpha + L"\\Legacy", L"Blob", REG_BINARY, blob, sizeof blob, view);
        break;
    }
    default:
        AddProduct(HKEY_CURRENT_USER, L"Alpha", L"C:\\User\\Alpha");
    }
}

struct Case {
    const char* what;
    bool seeded[3]; // in the order of Places
};

const Case Cases[] = {
    {"only in the 32-bit view", {false, true, false}},
    {"in both views, with other values and subkeys", {true, true, false}},
    {"in the 32-bit view and the user register", {false, true, true}},
};

struct BothViews : WindowFixture, ::testing::WithParamInterface<std::tuple<int, int>> {};

} // namespace

TEST_P(BothViews, EachViewIsListedRemovedAndRestoredWhereItLives)
{
    const auto [caseIndex, scope] = GetParam();
    const Case& c = Cases[caseIndex];
    SCOPED_TRACE(c.what);
    for (size_t p = 0; p < std::size(Places); ++p)
        if (c.seeded[p]) Seed(p);
    AddProduct(HKEY_LOCAL_MACHINE, L"Beta", nullptr, nullptr, KEY_WOW64_32KEY);
    Load();
    if (scope != 0) Scope(scope);
    const std::string before = RegistryDump();

    // One row: the first place of the scope that holds the product, in the
    // order the registers are listed.
    std::vector<std::wstring> rows, exports, keyLines;
    for (size_t p = 0; p < std::size(Places); ++p) {
        const Place& place = Places[p];
        if (!c.seeded[p] || !place.inScope[scope]) continue;
        if (rows.empty()) rows.push_back(place.row);
        exports.push_back(L"Regedit.exe /e \"" + paths.*place.exportFile + L"\" \"" + place.fullKeyName + L"\"");
        keyLines.push_back(place.fullKeyName);
        for (const auto& sub : place.subkeys) keyLines.push_back(place.fullKeyName + sub);
    }
    if (scope != 1) rows.push_back(L"Beta\tHKEY_LOCAL_MACHINE\t<PROGRAMS>\t1.0");
    std::vector<std::wstring> listed;
    for (int i = 0; i < root->LProdukte.count(); ++i) listed.push_back(root->LProdukte.text(i));
    EXPECT_EQ(listed, rows);
    if (exports.empty()) return; // not listed in this scope: nothing to remove

    Select(L"Alpha");
    answers = {IDYES, IDOK};
    root->bEntfernen_Click();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, RemovedMessage) << Narrow(boxes[1].text);
    EXPECT_EQ(commands, exports) << "each view's key exported on its own, by its full path";
    for (size_t p = 0; p < std::size(Places); ++p)
        EXPECT_EQ(KeyExists(Places[p].root, Alpha, Places[p].view), c.seeded[p] && !Places[p].inScope[scope])
            << "gone exactly where it was in scope, and nothing made elsewhere: " << Narrow(Places[p].fullKeyName);
    EXPECT_EQ(KeysInFile(paths.restore), keyLines);

    answers = {IDYES};
    root->bRestored_Click();
    ASSERT_EQ(boxes.size(), 3u) << Narrow(boxes.back().text);
    EXPECT_EQ(RegistryDump(), before) << "each view's subtree is back where it was, and only there";
}

INSTANTIATE_TEST_SUITE_P(CasesAndScopes, BothViews,
                         ::testing::Combine(::testing::Range(0, int(std::size(Cases))), ::testing::Values(0, 1, 2)));

namespace {

// A product key's place: the main register's two views and the user
// register, in the order the listing reads them.
struct Seat {
    HKEY root;
    REGSAM view;
    const wchar_t* rootName;
};
const Seat Main{HKEY_LOCAL_MACHINE, 0, L"HKEY_LOCAL_MACHINE"};
const Seat Main32{HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, L"HKEY_LOCAL_MACHINE"};
const Seat User{HKEY_CURRENT_USER, 0, L"HKEY_CURRENT_USER"};

struct NameRule : WindowFixture {};

} // namespace

// The registry holds two names as one key exactly when it compares them
// equal: ordinal, without regard to case, one code unit at a time. Each such
// key is its own row, and its removal takes its keys and no other.
TEST_F(NameRule, ARowForEveryKeyTheRegistryHoldsAndItsRemovalTakesExactlyThose)
{
    const struct {
        const char* what;
        const wchar_t* first;
        Seat firstAt;
        const wchar_t* second;
        Seat secondAt;
        bool oneKey;
    } cases[] = {
        {"sharp s and ss, in the two registers", L"Stra\u00dfe", Main, L"Strasse", User, false},
        {"a soft hyphen, in the 32-bit view and the user register", L"Ver\u00adlag", Main32, L"Verlag", User, false},
        {"a precomposed and a combining accent, in the two views", L"Caf\u00e9", Main, L"Cafe\u0301", Main32, false},
        {"a letter outside the BMP, small and capital", L"\xD801\xDC28", Main32, L"\xD801\xDC00", User, false},
        {"a case pair, in the 32-bit view and the user register", L"velmora", Main32, L"VELMORA", User, true},
    };
    Load();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CleanVelmora clean;
        AddProduct(c.firstAt.root, c.first, nullptr, nullptr, c.firstAt.view);
        AddProduct(c.secondAt.root, c.second, nullptr, nullptr, c.secondAt.view);
        Scope(0);
        std::vector<std::wstring> rows, expected{std::wstring(c.first) + L"\t" + c.firstAt.rootName};
        if (!c.oneKey) expected.push_back(std::wstring(c.second) + L"\t" + c.secondAt.rootName);
        for (int i = 0; i < root->LProdukte.count(); ++i) {
            const std::vector<std::wstring> fields = Split(root->LProdukte.text(i));
            rows.push_back(fields[0] + L"\t" + fields[1]);
        }
        std::sort(rows.begin(), rows.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(rows, expected);

        Select(c.first);
        boxes.clear();
        answers = {IDYES, IDOK};
        root->bEntfernen_Click();
        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_EQ(boxes[1].text, RemovedMessage) << Narrow(boxes[1].text);
        EXPECT_FALSE(KeyExists(c.firstAt.root, std::wstring(Velmora) + L"\\" + c.first, c.firstAt.view));
        EXPECT_EQ(KeyExists(c.secondAt.root, std::wstring(Velmora) + L"\\" + c.second, c.secondAt.view), !c.oneKey)
            << "the other key goes exactly when the registry holds both names as one";
    }
}
