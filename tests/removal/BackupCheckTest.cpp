// What counts as a backup of a product's key, against the real registry and
// real exports of the registry editor.
#include "removal/BackupCheck.h"
#include "removal/RestoreFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace test;

namespace {

const std::wstring Key = L"Software\\Velmora\\Gr\u00fcn";
const std::wstring FullKey = L"HKEY_CURRENT_USER\\" + Key;

// The text of a registry file and back, to take an export apart.
std::wstring Text(const std::string& bytes) { return RestoreFile::TextOf(bytes); }

struct Backup : ::testing::Test {
    void SetUp() override
    {
        AddProduct(HKEY_CURRENT_USER, L"Gr\u00fcn", L"C:\\Gr\u00fcn", L"2.0");
        SetString(HKEY_CURRENT_USER, Key, L"", L"default value");
        // Long binary data: its continuation lines are no values.
        const std::string blob(300, '\x5a');
        SetValue(HKEY_CURRENT_USER, Key + L"\\Sub", L"Blob", REG_BINARY, blob.data(), DWORD(blob.size()));
        const wchar_t multi[] = L"eins\0zwei\0";
        SetValue(HKEY_CURRENT_USER, Key + L"\\Sub", L"Multi", REG_MULTI_SZ, multi, sizeof multi);
        CreateKey(HKEY_CURRENT_USER, Key + L"\\Sub\\Leer");
        ASSERT_TRUE(ExportKey(FullKey, file));
        exported = ReadFileBytes(file);
        ASSERT_FALSE(exported.empty());
    }
    bool Covers(const std::wstring& text) const
    {
        return BackupCheck::Covers(Utf16File(text), HKEY_CURRENT_USER, Key, FullKey);
    }

    CleanVelmora clean;
    ScratchFolder folder;
    std::wstring file = folder.file(L"export.reg");
    std::string exported;
};

// The text without the lines for which drop() says true.
template <typename Drop>
std::wstring Without(const std::wstring& text, Drop drop)
{
    std::wstring kept;
    RestoreFile::ForEachLine(text, [&](std::wstring_view line) {
        if (!drop(line)) kept.append(line).append(L"\r\n");
    });
    return kept;
}

} // namespace

TEST_F(Backup, AWholeExportCoversTheSubtreeInAnySpelling)
{
    EXPECT_TRUE(BackupCheck::Covers(exported, HKEY_CURRENT_USER, Key, FullKey));
    std::wstring shouted = Text(exported);
    CharUpperBuffW(shouted.data(), DWORD(shouted.size()));
    EXPECT_TRUE(Covers(shouted)) << "key lines are compared without regard to case";

    // The same export behind another register's export, as a merge makes it.
    const std::wstring other = L"\r\n[HKEY_LOCAL_MACHINE\\Software\\Velmora\\Gr\u00fcn]\r\n\"X\"=\"y\"\r\n";
    EXPECT_TRUE(Covers(Text(exported) + other));
}

TEST_F(Backup, AnythingLessIsNoBackup)
{
    const std::wstring text = Text(exported);
    bool inTop = false;
    const std::wstring topLine = L"[" + FullKey + L"]";
    const std::wstring subLine = L"[" + FullKey + L"\\Sub\\Leer]";
    struct Case {
        const char* what;
        std::wstring file;
    };
    const Case cases[] = {
        {"key line without its values", Without(text, [&](std::wstring_view line) {
             if (!line.empty() && line.front() == L'[') inTop = line == topLine;
             return inTop && !line.empty() && (line.front() == L'"' || line.front() == L'@');
         })},
        {"a subkey missing", Without(text, [&](std::wstring_view line) { return line == subLine; })},
        {"only the header", L"Windows Registry Editor Version 5.00\r\n\r\n"},
        {"nothing at all", L""},
        {"the product root instead of the product", L"[HKEY_CURRENT_USER\\Software\\Velmora]\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_NE(c.file, text);
        EXPECT_FALSE(Covers(c.file));
    }

    // The registry gained a value after the export: the file no longer
    // brings the key back as it is.
    SetString(HKEY_CURRENT_USER, Key + L"\\Sub\\Leer", L"Neu", L"x");
    EXPECT_FALSE(BackupCheck::Covers(exported, HKEY_CURRENT_USER, Key, FullKey));
    // A key that is not there cannot be checked, so it is not covered.
    EXPECT_FALSE(BackupCheck::Covers(exported, HKEY_CURRENT_USER, Key + L"x", FullKey + L"x"));
}
