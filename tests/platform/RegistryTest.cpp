#include "platform/Registry.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using namespace test;

namespace {
const std::wstring Product = L"Software\\Velmora\\Probe";
}

TEST(RegistryAccess, EnumerationOfMissingOrEmptyKeyReadsNothing)
{
    CleanVelmora clean;
    std::vector<std::wstring> names{L"kept"};
    EXPECT_EQ(Registry::RegEnumKeys(HKEY_CURRENT_USER, Velmora, Registry::AccessAll, names), 0);
    CreateKey(HKEY_CURRENT_USER, Velmora);
    EXPECT_EQ(Registry::RegEnumKeys(HKEY_CURRENT_USER, Velmora, Registry::AccessAll, names), 0);
    EXPECT_EQ(names, std::vector<std::wstring>{L"kept"}) << "the caller's names stay as they were";
}

TEST(RegistryAccess, EnumerationDeliversNamesInPlatformOrder)
{
    CleanVelmora clean;
    // The longest name Windows allows, and one more, which Wine stores: no
    // such product may hide the others.
    const std::wstring longest(255, L'L'), longer(256, L'M');
    for (const std::wstring& name : {std::wstring(L"Gamma"), std::wstring(L"alpha mit Ü"),
                                     std::wstring(L"\u65e5\u672c Beta"), longest, longer})
        CreateKey(HKEY_CURRENT_USER, std::wstring(Velmora) + L"\\" + name);
    std::vector<std::wstring> names;
    ASSERT_EQ(Registry::RegEnumKeys(HKEY_CURRENT_USER, Velmora, Registry::AccessAll, names), 5);
    // The platform delivers subkeys sorted without regard to case.
    EXPECT_EQ(names, (std::vector<std::wstring>{L"alpha mit Ü", L"Gamma", longest, longer, L"\u65e5\u672c Beta"}));
}

TEST(RegistryAccess, ExistenceAndDeletion)
{
    CleanVelmora clean;
    EXPECT_FALSE(Registry::RegKeyExists(HKEY_CURRENT_USER, Product));
    EXPECT_FALSE(Registry::RegKeyDelete(HKEY_CURRENT_USER, Product));

    CreateKey(HKEY_CURRENT_USER, Product + L"\\Child");
    EXPECT_TRUE(Registry::RegKeyExists(HKEY_CURRENT_USER, Product));
    EXPECT_FALSE(Registry::RegKeyDelete(HKEY_CURRENT_USER, Product))
        << "the platform refuses to delete a key that still has subkeys";
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Product + L"\\Child"));

}

TEST(RegistryAccess, StringValuesArriveWithTheirNul)
{
    CleanVelmora clean;
    SetString(HKEY_CURRENT_USER, Product, L"Text", L"abc");
    SetString(HKEY_CURRENT_USER, Product, L"Empty", L"");
    SetString(HKEY_CURRENT_USER, Product, L"Expand", L"%SystemRoot%\\x", REG_EXPAND_SZ);
    const std::wstring large(3000, L'x'); // larger than the first buffer
    SetString(HKEY_CURRENT_USER, Product, L"Large", large);
    // Stored without its terminator, as some installers write.
    SetValue(HKEY_CURRENT_USER, Product, L"Bare", REG_SZ, L"de", 4);

    std::wstring v;
    ASSERT_TRUE(Registry::RegReadValue(HKEY_CURRENT_USER, Product, L"Text", v));
    EXPECT_EQ(v.substr(0, 4), std::wstring(L"abc\0", 4));
    EXPECT_GT(v.size(), 4u) << "at least one blank follows the NUL";
    ASSERT_TRUE(Registry::RegReadValue(HKEY_CURRENT_USER, Product, L"Empty", v));
    EXPECT_EQ(v.find(L'\0'), 0u);
    ASSERT_TRUE(Registry::RegReadValue(HKEY_CURRENT_USER, Product, L"Expand", v));
    EXPECT_EQ(v.substr(0, v.find(L'\0')), L"%SystemRoot%\\x") << "delivered unexpanded";
    ASSERT_TRUE(Registry::RegReadValue(HKEY_CURRENT_USER, Product, L"Large", v));
    EXPECT_EQ(v.substr(0, v.find(L'\0')), large);
    ASSERT_TRUE(Registry::RegReadValue(HKEY_CURRENT_USER, Product, L"Bare", v));
    EXPECT_EQ(v.substr(0, v.find(L'\0')), L"de");
}

TEST(RegistryAccess, NumbersArriveAsDecimalText)
{
    CleanVelmora clean;
    SetDword(HKEY_CURRENT_USER, Product, L"Minus", 0xFFFFFFFF);
    SetDword(HKEY_CURRENT_USER, Product, L"Sixteen", 0x10);
    const BYTE two[] = {0x34, 0x12}, five[] = {1, 2, 3, 4, 5};
    SetValue(HKEY_CURRENT_USER, Product, L"Two", REG_BINARY, two, 2);
    SetValue(HKEY_CURRENT_USER, Product, L"Five", REG_BINARY, five, 5);
    SetValue(HKEY_CURRENT_USER, Product, L"None", REG_BINARY, nullptr, 0);

    std::wstring v;
    ASSERT_TRUE(Registry::RegReadValue(HKEY_CURRENT_USER, Product, L"Minus", v));
    EXPECT_EQ(v, L"-1");
    ASSERT_TRUE(Registry::RegReadValue(HKEY_CURRENT_USER, Product, L"Sixteen", v));
    EXPECT_EQ(v, L"16");
    ASSERT_TRUE(Registry::RegReadValue(HKEY_CURRENT_USER, Product, L"Two", v));
    EXPECT_EQ(v, L"4660") << "two bytes read as the little-endian number 0x1234";
    ASSERT_TRUE(Registry::RegReadValue(HKEY_CURRENT_USER, Product, L"None", v));
    EXPECT_EQ(v, L"0");
    v = L"before";
    EXPECT_FALSE(Registry::RegReadValue(HKEY_CURRENT_USER, Product, L"Five", v)) << "more than four bytes";
    EXPECT_EQ(v, L"before");
}

TEST(RegistryAccess, OtherTypesAndMissingValuesLeaveTheValueAlone)
{
    CleanVelmora clean;
    const wchar_t multi[] = L"a\0b\0";
    SetValue(HKEY_CURRENT_USER, Product, L"Multi", REG_MULTI_SZ, multi, sizeof multi);
    const std::wstring bigMulti(2000, L'm');
    SetValue(HKEY_CURRENT_USER, Product, L"BigMulti", REG_MULTI_SZ, bigMulti.c_str(),
             DWORD((bigMulti.size() + 1) * 2));
    const ULONGLONG q = 5;
    SetValue(HKEY_CURRENT_USER, Product, L"Q", REG_QWORD, &q, sizeof q);

    std::wstring v = L"before";
    EXPECT_TRUE(Registry::RegReadValue(HKEY_CURRENT_USER, Product, L"Multi", v));
    EXPECT_TRUE(Registry::RegReadValue(HKEY_CURRENT_USER, Product, L"BigMulti", v));
    EXPECT_TRUE(Registry::RegReadValue(HKEY_CURRENT_USER, Product, L"Q", v));
    EXPECT_EQ(v, L"before");
    EXPECT_FALSE(Registry::RegReadValue(HKEY_CURRENT_USER, Product, L"Missing", v));
    EXPECT_FALSE(Registry::RegReadValue(HKEY_CURRENT_USER, Product + L"\\Nope", L"Multi", v));
    EXPECT_EQ(v, L"before");

    // One open serving several reads answers as the reads by path do.
    {
        const KeyHandle key = Registry::RegOpenForReading(HKEY_CURRENT_USER, Product);
        ASSERT_TRUE(key);
        EXPECT_TRUE(Registry::RegReadValue(key.get(), L"Q", v));
        EXPECT_FALSE(Registry::RegReadValue(key.get(), L"Missing", v));
        EXPECT_EQ(v, L"before");
        const KeyHandle none = Registry::RegOpenForReading(HKEY_CURRENT_USER, Product + L"\\Nope");
        EXPECT_FALSE(none);
        EXPECT_FALSE(Registry::RegReadValue(none.get(), L"Multi", v));
        EXPECT_EQ(v, L"before");
    }
    // The key was closed again: it can be deleted at once.
    EXPECT_TRUE(Registry::RegKeyDelete(HKEY_CURRENT_USER, Product));
}

TEST(RegistryAccess, StoredNameAnswersAsTheEnumerationDoes)
{
    CleanVelmora clean;
    const std::wstring names[] = {L"Alpha", L"Gr\u00fcn Werk \u00c4", L"  Blanks  around  ",
                                  L"\u65e5\u672c \u0436 \u20ac"};
    for (const auto& name : names) CreateKey(HKEY_CURRENT_USER, std::wstring(Velmora) + L"\\" + name);
    // As many others as a large register lists: the answer must not depend on them.
    for (int i = 0; i < 50; ++i) CreateKey(HKEY_CURRENT_USER, std::wstring(Velmora) + L"\\Other " + std::to_wstring(i));
    std::vector<std::wstring> enumerated;
    Registry::RegEnumKeys(HKEY_CURRENT_USER, Velmora, Registry::AccessRead, enumerated);
    for (const auto& name : names) {
        SCOPED_TRACE(Narrow(name));
        const std::wstring asked = CharUpperW(std::wstring(name).data());
        std::wstring stored;
        ASSERT_TRUE(Registry::RegStoredName(HKEY_CURRENT_USER, std::wstring(Velmora) + L"\\" + asked, stored));
        EXPECT_EQ(stored, name) << "the registry's own spelling, not the one asked for";
        EXPECT_NE(std::find(enumerated.begin(), enumerated.end(), stored), enumerated.end());
    }
    std::wstring untouched = L"kept";
    EXPECT_FALSE(Registry::RegStoredName(HKEY_CURRENT_USER, std::wstring(Velmora) + L"\\Missing", untouched));
    EXPECT_EQ(untouched, L"kept");
}

TEST(RegistryAccess, TreeReadHoldsEveryKeyWithEveryValue)
{
    CleanVelmora clean;
    AddProduct(HKEY_CURRENT_USER, L"Probe", L"C:\\x", L"1.0");
    CreateKey(HKEY_CURRENT_USER, Product + L"\\Leer");
    SetDword(HKEY_CURRENT_USER, Product + L"\\Sub\\Tief", L"n", 7);
    SetString(HKEY_CURRENT_USER, Product + L"\\Sub", L"", L"default");
    std::vector<Registry::KeyContent> keys;
    ASSERT_TRUE(Registry::RegTreeRead(HKEY_CURRENT_USER, Product, keys));
    std::vector<std::pair<std::wstring, size_t>> got;
    for (const auto& k : keys) got.emplace_back(k.path, k.values.size());
    EXPECT_EQ(got, (std::vector<std::pair<std::wstring, size_t>>{
                       {L"", 2}, {L"Leer", 0}, {L"Sub", 1}, {L"Sub\\Tief", 1}}))
        << "each key before its subkeys";
    const Registry::ValueData& n = keys[3].values[0];
    EXPECT_EQ(n.name, L"n");
    EXPECT_EQ(n.type, DWORD(REG_DWORD));
    EXPECT_EQ(n.data, std::string("\x07\0\0\0", 4));
    EXPECT_EQ(keys[0].subkeys, 2u);
    EXPECT_FALSE(Registry::RegTreeRead(HKEY_CURRENT_USER, Product + L"\\Missing", keys));
    EXPECT_FALSE(Registry::RegTreeRead(HKEY_CURRENT_USER, L"", keys)) << "never the root itself";
    EXPECT_EQ(keys.size(), 4u) << "a failed read leaves the caller's list alone";
}

TEST(RegistryAccess, TreeDeletionTakesOnlyWhatWasReadAndUnchanged)
{
    struct Case {
        const char* what;
        std::function<void()> meanwhile;
        Registry::TreeDeletion expected;
    };
    const Case cases[] = {
        {"nothing changed", [] {}, Registry::TreeDeletion::Deleted},
        {"a value added", [] { SetDword(HKEY_CURRENT_USER, Product + L"\\Sub", L"neu", 1); },
         Registry::TreeDeletion::Changed},
        {"a value rewritten", [] { SetString(HKEY_CURRENT_USER, Product + L"\\Sub", L"", L"other"); },
         Registry::TreeDeletion::Changed},
        {"a subkey added", [] { CreateKey(HKEY_CURRENT_USER, Product + L"\\Sub\\Neu"); },
         Registry::TreeDeletion::Changed},
        {"a key gone", [] { RegDeleteKeyW(HKEY_CURRENT_USER, (Product + L"\\Sub\\Tief").c_str()); },
         Registry::TreeDeletion::Changed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CleanVelmora clean;
        AddProduct(HKEY_CURRENT_USER, L"Probe", L"C:\\x");
        SetString(HKEY_CURRENT_USER, Product + L"\\Sub", L"", L"default");
        CreateKey(HKEY_CURRENT_USER, Product + L"\\Sub\\Tief");
        std::vector<Registry::KeyContent> keys;
        ASSERT_TRUE(Registry::RegTreeRead(HKEY_CURRENT_USER, Product, keys));
        c.meanwhile();
        EXPECT_EQ(Registry::RegTreeDeleteAsRead(HKEY_CURRENT_USER, Product, keys), c.expected);
        EXPECT_EQ(KeyExists(HKEY_CURRENT_USER, Product), c.expected != Registry::TreeDeletion::Deleted)
            << "a changed subtree is not touched";
        EXPECT_EQ(KeyExists(HKEY_CURRENT_USER, Product + L"\\Sub"), c.expected != Registry::TreeDeletion::Deleted);
        EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Velmora)) << "only the subtree goes";
        EXPECT_EQ(Registry::RegTreeDeleteAsRead(HKEY_CURRENT_USER, L"", keys), Registry::TreeDeletion::Failed)
            << "never the root itself";
    }
}
