// The reader of registry files, against real exports of the registry editor
// and against the text forms its import accepts.
#include "platform/KeyName.h"
#include "platform/Registry.h"
#include "removal/RegFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

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
    const std::wstring head = std::wstring(RegHeader) + L"\r\n";
    auto inA = [&](const std::wstring& line) { return head + L"[A]\r\n" + line + L"\r\n"; };
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
        {"deletions, with a comment after one", head + L"[-A]\r\n[B]\r\n\"v\"=- ; gone\r\n", L"-A:\nB: v=-\n"},
        {"a string with a comment after it", inA(L"\"s\"=\"a\" ; c"), L"A: s=1:61000000\n"},
        {"a key line the import passes over leaves the key before open",
         head + L"[A]\r\n[B\r\n\"v\"=\"1\"\r\n[ C]\r\n", L"A: v=1:31000000\nB (passed over):\n C] (passed over):\n"},
        {"the forms exports write for types, empty data and digits of either case",
         inA(L"\"n\"=hex(0):\r\n\"b\"=hex:\r\n\"t\"=hex(ffffffff):AB,cd\r\n\"d\"=dword:FfFfFfFf"),
         L"A: n=0: b=3: t=4294967295:abcd d=4:ffffffff\n"},
        {"a name of the longest length the registry takes",
         inA(L"\"" + std::wstring(16383, L'n') + L"\"=\"\""), L"A: " + std::wstring(16383, L'n') + L"=1:0000\n"},
        // Each of these the import reads its own way, or stops, or crashes
        // on: the whole file is unreadable.
        {"a hex byte of one digit", inA(L"\"h\"=hex:1,02"), L""},
        {"a hex byte of three digits", inA(L"\"h\"=hex:001"), L""},
        {"a hex byte with 0x", inA(L"\"h\"=hex:0x01"), L""},
        {"a hex byte with a sign", inA(L"\"h\"=hex:01,+2"), L""},
        {"a blank before a hex byte", inA(L"\"h\"=hex:01, 02"), L""},
        {"a comma that ends hex data", inA(L"\"h\"=hex:01,"), L""},
        {"a hex byte of fullwidth digits", inA(L"\"h\"=hex:\uff10\uff11"), L""},
        {"a hex byte that is no hex", inA(L"\"h\"=hex:1g"), L""},
        {"a type number with a blank", inA(L"\"e\"=hex( 2):41,00"), L""},
        {"a type number with a sign", inA(L"\"e\"=hex(-1):00"), L""},
        {"no type number", inA(L"\"e\"=hex():00"), L""},
        {"a type number that is no hex", inA(L"\"e\"=hex(x):00"), L""},
        {"a type number of nine digits", inA(L"\"e\"=hex(000000002):41,00"), L""},
        {"a dword of nine digits", inA(L"\"d\"=dword:123456789"), L""},
        {"a dword of one digit", inA(L"\"d\"=dword:1"), L""},
        {"no dword digits before a comment", inA(L"\"d\"=dword:;0"), L""},
        {"a blank before a dword", inA(L"\"d\"=dword: 00000001"), L""},
        {"a dword of Arabic-Indic digits", inA(L"\"d\"=dword:\u0660\u0660\u0660\u0660\u0660\u0660\u0660\u0661"), L""},
        {"a type exports never write", inA(L"\"d\"=word:1"), L""},
        {"a name without data", inA(L"\"v\" \"1\""), L""},
        {"text after a string's closing quote", inA(L"\"s\"=\"a\"b"), L""},
        {"text after a value deletion", inA(L"\"v\"=-0"), L""},
        {"a \\0 escape in a string", inA(L"\"s\"=\"a\\0b\""), L""},
        {"a \\0 escape in a name", inA(L"\"a\\0\"=\"1\""), L""},
        {"a string without its closing quote", inA(L"\"s\"=\"open"), L""},
        {"a string ending in a lone backslash", inA(L"\"s\"=\"open\\"), L""},
        {"a name without its closing quote", inA(L"\"open=1"), L""},
        {"a name of 16,384 characters", inA(L"\"" + std::wstring(16384, L'n') + L"\"=\"\""), L""},
        {"a continuation followed by a key line", inA(L"\"h\"=hex:01,\\\r\n[B]\r\n\"v\"=\"1\""), L""},
        {"a continuation that ends the file", inA(L"\"h\"=hex(2):41,00,\\"), L""},
        {"a continuation without a comma before it", inA(L"\"h\"=hex:01\\\r\n  02"), L""},
        {"a continuation without bytes before it", inA(L"\"h\"=hex(2):\\\r\n  41,00"), L""},
        {"text after a continuation's backslash", inA(L"\"h\"=hex:01,\\x\r\n  02"), L""},
        {"a continued line that is no hex data", inA(L"\"h\"=hex:01,\\\r\n  0x02"), L""},
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

// The reader keeps two names apart exactly when the registry does: every
// UTF-16 code unit folds to a unit that KeyName::Same holds equal to it,
// and units of different folds are never the same name.
TEST(RegistryFile, FoldsNamesExactlyAsTheRegistryComparesThem)
{
    std::vector<std::wstring> folds;
    for (unsigned u = 1; u <= 0xFFFF; ++u) {
        const std::wstring unit(1, wchar_t(u));
        const std::wstring folded = RegFile::Folded(unit);
        if (!KeyName::Same(unit, folded)) ADD_FAILURE() << "U+" << std::hex << u << " folds to another name";
        folds.push_back(folded);
    }
    std::sort(folds.begin(), folds.end(), KeyName::Less());
    folds.erase(std::unique(folds.begin(), folds.end()), folds.end());
    for (size_t i = 1; i < folds.size(); ++i)
        if (KeyName::Same(folds[i - 1], folds[i]))
            ADD_FAILURE() << "U+" << std::hex << unsigned(folds[i - 1][0]) << " and U+" << unsigned(folds[i][0])
                          << " fold apart but are one name";

    // A letter outside the Basic Multilingual Plane keeps its case apart:
    // the import writes the small and the capital Deseret letter as two
    // keys and two values, and the reader sees both.
    const std::wstring small = L"\xD801\xDC28", capital = L"\xD801\xDC00";
    EXPECT_FALSE(KeyName::Same(small, capital));
    const RegFile::Content content = RegFile::Read(Utf16File(
        RegHead + L"[HKEY_CURRENT_USER\\" + small + L"]\r\n\"" + small + L"\"=\"1\"\r\n\"" + capital + L"\"=\"2\"\r\n\r\n"
        + L"[HKEY_CURRENT_USER\\" + capital + L"]\r\n\r\n[hkey_current_user\\" + small + L"]\r\n"));
    RegFile::WrittenKeys keys;
    ASSERT_TRUE(RegFile::Written(content, keys));
    ASSERT_EQ(keys.size(), 2u) << "the key named again in other letter case is one of the two";
    EXPECT_EQ(keys[RegFile::Folded(L"HKEY_CURRENT_USER\\" + small)].values.size(), 2u);
}
