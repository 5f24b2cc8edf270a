// What counts as a backup of a product's keys, against the real registry and
// real exports of the registry editor.
#include "removal/BackupCheck.h"
#include "removal/KeyRemoval.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

using namespace test;

namespace {

const std::wstring Key = L"Software\\Velmora\\Gr\u00fcn";
const std::wstring FullKey = L"HKEY_CURRENT_USER\\" + Key;

std::wstring Text(const std::string& utf16)
{
    std::wstring text((utf16.size() - 2) / 2, L'\0');
    std::memcpy(text.data(), utf16.data() + 2, text.size() * 2);
    return text;
}

// The text with one line replaced (or dropped, for an empty replacement).
std::wstring Replaced(std::wstring text, const std::wstring& line, const std::wstring& by)
{
    const size_t at = text.find(line + L"\r\n");
    EXPECT_NE(at, std::wstring::npos) << Narrow(line);
    return at == std::wstring::npos ? text : text.replace(at, line.size() + 2, by.empty() ? L"" : by + L"\r\n");
}

struct Backup : ::testing::Test {
    void SetUp() override
    {
        AddProduct(HKEY_CURRENT_USER, L"Gr\u00fcn", L"C:\\Gr\u00fcn", L"2.0");
        SetString(HKEY_CURRENT_USER, Key, L"", L"default value");
        const std::string blob(300, '\x5a');
        SetValue(HKEY_CURRENT_USER, Key + L"\\Sub", L"Blob", REG_BINARY, blob.data(), DWORD(blob.size()));
        SetDword(HKEY_CURRENT_USER, Key + L"\\Sub", L"Count", 5);
        CreateKey(HKEY_CURRENT_USER, Key + L"\\Sub\\Leer");
        ASSERT_TRUE(ExportKey(FullKey, file));
        exported = ReadFileBytes(file);
        ASSERT_FALSE(exported.empty());
    }
    bool BringsBack(const std::string& bytes)
    {
        std::vector<Registry::KeyContent> tree;
        if (!Registry::RegTreeRead(HKEY_CURRENT_USER, Key, tree)) return false;
        const BackupCheck::Subtree subtree[] = {{FullKey, &tree}};
        return BackupCheck::BringsBack(RegFile::Read(bytes), subtree);
    }

    CleanVelmora clean;
    ScratchFolder folder;
    std::wstring file = folder.file(L"export.reg");
    std::string exported;
};

} // namespace

TEST_F(Backup, AWholeExportBringsBackTheSubtreeInAnySpelling)
{
    EXPECT_TRUE(BringsBack(exported));
    std::wstring shouted = Text(exported);
    CharUpperBuffW(shouted.data(), DWORD(shouted.size()));
    EXPECT_FALSE(BringsBack(Utf16File(shouted))) << "key and value names fold, but data does not";
    const std::wstring keysShouted =
        Replaced(Text(exported), L"[" + FullKey + L"\\Sub]", L"[HKEY_CURRENT_USER\\SOFTWARE\\VELMORA\\GR\u00dcN\\SUB]");
    EXPECT_TRUE(BringsBack(Utf16File(keysShouted))) << "key names are compared as the registry compares them";
}

TEST_F(Backup, AnythingElseIsNoBackup)
{
    const std::wstring text = Text(exported);
    const std::wstring top = L"[" + FullKey + L"]";
    struct Case {
        const char* what;
        std::wstring file;
    };
    const Case cases[] = {
        {"a value missing", Replaced(text, L"\"Version\"=\"2.0\"", L"")},
        {"a value's data changed", Replaced(text, L"\"Version\"=\"2.0\"", L"\"Version\"=\"2.1\"")},
        {"a value's type changed", Replaced(text, L"\"Count\"=dword:00000005", L"\"Count\"=hex:05,00,00,00")},
        {"a value too many", Replaced(text, top, top + L"\r\n\"Extra\"=\"x\"")},
        {"a subkey missing", Replaced(text, L"[" + FullKey + L"\\Sub\\Leer]", L"")},
        {"a key outside the subtree", text + L"[HKEY_CURRENT_USER\\Software\\Other]\r\n\r\n"},
        {"a key deletion", text + L"[-" + FullKey + L"\\Sub\\Leer]\r\n"},
        {"a value deletion", Replaced(text, top, top + L"\r\n\"Version\"=-")},
        {"a key line the import passes over", Replaced(text, top, L"[" + FullKey)},
        {"only the header", RegHead},
        {"no header", text.substr(text.find(L'\n') + 1)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_NE(c.file, text);
        EXPECT_FALSE(BringsBack(Utf16File(c.file)));
    }
    EXPECT_FALSE(BringsBack("")) << "nothing at all";

    // The registry gained a value after the export.
    SetString(HKEY_CURRENT_USER, Key + L"\\Sub\\Leer", L"Neu", L"x");
    EXPECT_FALSE(BringsBack(exported));
}

TEST_F(Backup, AKeyGoesOnlyAsItWasBackedUp)
{
    struct Case {
        const char* what;
        std::function<void(const RestoreFile::Paths&)> meanwhile;
        KeyRemoval::Deletion expected;
    };
    const Case cases[] = {
        {"nothing changed", [](const RestoreFile::Paths&) {}, KeyRemoval::Deletion::Deleted},
        {"the restore file changed on disk",
         [](const RestoreFile::Paths& paths) { WriteFileBytes(paths.restore, "another copy's"); },
         KeyRemoval::Deletion::FileChanged},
        {"a value added", [](const RestoreFile::Paths&) { SetDword(HKEY_CURRENT_USER, Key + L"\\Sub\\Leer", L"n", 1); },
         KeyRemoval::Deletion::KeyChanged},
        {"a value rewritten", [](const RestoreFile::Paths&) { SetDword(HKEY_CURRENT_USER, Key + L"\\Sub", L"Count", 6); },
         KeyRemoval::Deletion::KeyChanged},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        // A removal up to its deletion, without a window.
        ScratchFolder work;
        const RestoreFile::Paths paths = RestoreFile::PathsIn(work.path());
        auto registers = KeyRemoval::Registers(paths, 1);
        KeyRemoval::Register& r = registers.back(); // the user register
        KeyRemoval::Find(r, L"gr\u00fcn");
        ASSERT_EQ(r.fullKeyName, FullKey) << "the key as the registry spells it";
        r.exported = ExportKey(r.fullKeyName, r.exportFile);
        std::string restoreBytes;
        ASSERT_EQ(KeyRemoval::SecureBackup(paths, registers, restoreBytes), KeyRemoval::Backup::Replaced);
        EXPECT_TRUE(r.backedUp);
        c.meanwhile(paths);
        EXPECT_EQ(KeyRemoval::DeleteBackedUp(paths, restoreBytes, r), c.expected);
        EXPECT_EQ(KeyExists(HKEY_CURRENT_USER, Key + L"\\Sub\\Leer"), c.expected != KeyRemoval::Deletion::Deleted)
            << "a changed subtree loses nothing";
        RegDeleteTreeW(HKEY_CURRENT_USER, Key.c_str());
        SetUp();
    }
}

TEST_F(Backup, TheValueThatNoBackupCanHoldIsNamed)
{
    auto first = [] {
        std::vector<Registry::KeyContent> tree;
        EXPECT_TRUE(Registry::RegTreeRead(HKEY_CURRENT_USER, Key, tree));
        return BackupCheck::FirstNotRestorable({FullKey, &tree});
    };
    EXPECT_FALSE(first()) << "every value of the subtree can be backed up";
    SetValue(HKEY_CURRENT_USER, Key, L"Drei", REG_BINARY, "abc", 3);
    EXPECT_FALSE(first()) << "binary data of odd length is imported as it is";
    SetValue(HKEY_CURRENT_USER, Key + L"\\Sub\\Leer", L"", REG_EXPAND_SZ, "abc", 3);
    const auto blocked = first();
    ASSERT_TRUE(blocked) << "string data of odd length blocks the backup";
    EXPECT_EQ(blocked->key, FullKey + L"\\Sub\\Leer");
    EXPECT_EQ(blocked->value, L"") << "the default value";
}
