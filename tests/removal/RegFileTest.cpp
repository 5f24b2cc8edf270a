// The reader of registry files, against real exports of the registry editor
// and against the text forms its import accepts.
#include "platform/Registry.h"
#include "removal/RegFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace test;

namespace {

const std::wstring Key = L"Software\\Velmora\\Leser";
const std::wstring FullKey = L"HKEY_CURRENT_USER\\" + Key;

std::string Bytes(const void* data, size_t size) { return std::string(static_cast<const char*>(data), size); }

// Every key of the file with its values, as "key: name=type:hexdata ..." lines.
std::wstring Summary(const RegFile::Content& content)
{
    std::wstring text;
    for (const auto& key : content.keys) {
        text += (key.deletion ? L"-" : L"") + key.name + (key.opens ? L":" : L" (passed over):");
        for (const auto& v : key.values) {
            text += L" " + v.name + L"=" + (v.deletion ? L"-" : std::to_wstring(v.type) + L":");
            for (unsigned char b : v.data) text += L"0123456789abcdef"[b >> 4], text += L"0123456789abcdef"[b & 15];
        }
        text += L"\n";
    }
    return text;
}

} // namespace

TEST(RegistryFile, ReadsARealExportAsTheRegistryHoldsIt)
{
    CleanVelmora clean;
    ScratchFolder folder;
    const std::string longData(700, '\xa5');
    const wchar_t multi[] = L"eins\0zw\"ei\0\0";
    const ULONGLONG qword = 0x0102030405060708ULL;
    struct Case {
        const wchar_t* name;
        DWORD type;
        std::string data;
    };
    const Case cases[] = {
        {L"Text", REG_SZ, Bytes(L"C:\\Programme\\Alpha", 38)},
        {L"Quotes \"and\" \\backslashes\\ [brackets]", REG_SZ, Bytes(L"say \"hi\" \\ [x] ]", 34)},
        {L"Line\nbreaks\r", REG_SZ, Bytes(L"one\r\ntwo\nthree\r", 32)},
        {L"\U0001F600 outside the BMP", REG_SZ, Bytes(L"\U0001F600", 6)},
        {L"", REG_SZ, Bytes(L"the default value", 36)},
        {L"Empty text", REG_SZ, Bytes(L"", 2)},
        {L"Expand", REG_EXPAND_SZ, Bytes(L"%TEMP%\\x", 18)},
        {L"Multi", REG_MULTI_SZ, Bytes(multi, sizeof multi)},
        {L"Dword", REG_DWORD, Bytes("\x78\x56\x34\x12", 4)},
        {L"Qword", REG_QWORD, Bytes(&qword, 8)},
        {L"Binary over several lines", REG_BINARY, longData},
        {L"Empty binary", REG_BINARY, ""},
        {L"None", REG_NONE, "xyz"},
        {L"Own type", 0x99, "q"},
    };
    for (const auto& c : cases) SetValue(HKEY_CURRENT_USER, Key, c.name, c.type, c.data.data(), DWORD(c.data.size()));
    CreateKey(HKEY_CURRENT_USER, Key + L"\\Sub [with] brackets]");
    const std::wstring file = folder.file(L"export.reg");
    ASSERT_TRUE(ExportKey(FullKey, file));

    const RegFile::Content content = RegFile::Read(ReadFileBytes(file));
    ASSERT_TRUE(content.readable);
    ASSERT_EQ(content.keys.size(), 2u) << Narrow(Summary(content));
    EXPECT_EQ(content.keys[1].name, FullKey + L"\\Sub [with] brackets]");
    std::vector<Registry::KeyContent> tree;
    ASSERT_TRUE(Registry::RegTreeRead(HKEY_CURRENT_USER, Key, tree));
    ASSERT_EQ(content.keys[0].values.size(), tree[0].values.size());
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.name));
        const RegFile::Value* read = nullptr;
        for (const auto& v : content.keys[0].values)
            if (v.name == c.name) read = &v;
        ASSERT_NE(read, nullptr) << Narrow(Summary(content));
        EXPECT_EQ(read->type, c.type);
        EXPECT_TRUE(RegFile::SameData(c.type, read->data, c.data)) << Narrow(Summary(content));
    }
}

TEST(RegistryFile, ReadsTheTextAsTheImportDoes)
{
    const std::wstring head = L"Windows Registry Editor Version 5.00\r\n";
    struct Case {
        const char* what;
        std::wstring text;
        std::wstring summary; // empty: the file is not read at all
    };
    const Case cases[] = {
        {"CR, LF and CR LF end lines; blanks before a key line",
         L"Windows Registry Editor Version 5.00\r[A]\n\"x\"=\"1\"\r\n  \t[B]\r@=dword:0000000a\n",
         L"A: x=1:31000000\nB: =4:0a000000\n"},
        {"hex data continued, with a comment and a blank line between",
         head + L"[A]\r\n\"h\"=hex(2):41,00,\\\r\n; note\r\n\r\n  42,00\r\n",
         L"A: h=2:410042000000\n"},
        {"escapes in names and strings", head + L"[A]\r\n\"a\\\\b\\\"c\\nd\"=\"x\\ry\\q\"\r\n",
         L"A: a\\b\"c\nd=1:78000d00790071000000\n"},
        {"the last ] ends a key name; rubbish lines are passed over",
         head + L"[A]x]\r\n; comment\r\nrubbish\r\n\"v\"=\"w\" ; comment\r\n", L"A]x: v=1:77000000\n"},
        {"values that do not parse are not set",
         head + L"[A]\r\n\"a\"=\"open\r\n\"b\"=dword:123456789\r\n\"c\"=hex:1g\r\n\"d\"=word:1\r\n\"e\"=hex(x):00\r\n", L"A:\n"},
        {"deletions", head + L"[-A]\r\n[B]\r\n\"v\"=-\r\n", L"-A:\nB: v=-\n"},
        {"a key line the import passes over leaves the key before open",
         head + L"[A]\r\n[B\r\n\"v\"=\"1\"\r\n[ C]\r\n", L"A: v=1:31000000\nB (passed over):\n C] (passed over):\n"},
        {"a line after a continuation that is not hex data is lost with the value",
         head + L"[A]\r\n\"h\"=hex:01,\\\r\n[B]\r\n\"v\"=\"1\"\r\n", L"A: v=1:31000000\nB] (passed over):\n"},
        {"an unknown header", L"REGEDIT\r\n[A]\r\n", L""},
        {"a NUL in the text", head + std::wstring(L"[A]\0\r\n", 6), L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const RegFile::Content content = RegFile::Read(Utf16File(c.text));
        EXPECT_EQ(content.readable, !c.summary.empty());
        EXPECT_EQ(Narrow(Summary(content)), Narrow(c.summary));
    }
    // A file in the ANSI code page: strings and hex strings arrive as text.
    const RegFile::Content ansi = RegFile::Read("REGEDIT4\r\n[A]\r\n\"s\"=\"ab\"\r\n\"e\"=hex(2):61,62\r\n");
    EXPECT_EQ(Narrow(Summary(ansi)), "A: s=1:610062000000 e=2:610062000000\n");
}
