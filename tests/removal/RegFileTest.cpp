// The reader of registry files, against real exports of the registry editor
// and against the text forms its import accepts.
#include "platform/Handles.h"
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
         std::wstring(RegHeader) + L"\r[A]\n\"x\"=\"1\"\r\n  \t[B]\r@=dword:0000000a\n",
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
        {"a key level of the longest length the registry takes", head + L"[A\\" + std::wstring(255, L'k') + L"]\r\n",
         L"A\\" + std::wstring(255, L'k') + L":\n"},
        {"string hex data gets its NUL where its last character is none, even at one character",
         inA(L"\"e\"=hex(1):41,00\r\n\"x\"=hex(2):41,00,42,00\r\n\"m\"=hex(7):00,00\r\n\"b\"=hex:41,00"),
         L"A: e=1:41000000 x=2:410042000000 m=7:0000 b=3:4100\n"},
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
        {"a key level of 256 characters, which the import cannot create", head + L"[A\\" + std::wstring(256, L'k') + L"]\r\n", L""},
        {"a value line before the first key line", head + L"\"e\"=hex(2):41\r\n[A]\r\n", L""},
        {"a value line after only a key line the import passes over", head + L"[ A]\r\n@=\"1\"\r\n[B]\r\n", L""},
        {"a value line after a key deletion", head + L"[A]\r\n[-B]\r\n\"v\"=\"1\"\r\n", L""},
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

    // A file in a code page: strings and hex strings arrive as text. It is
    // split at its CR and LF bytes before each line is converted, so that a
    // lead byte of a double-byte code page at a line's end (0x82 in 932,
    // a letter of its own in 1252) cannot take the line end with it.
    struct AnsiCase {
        const char* what;
        UINT codePage;
        std::string bytes;
        std::wstring summary;
    };
    const std::string canary = "[HKEY_CURRENT_USER\\Software\\Canary]\n\"v\"=\"1\"\n";
    const AnsiCase ansiCases[] = {
        {"strings and hex strings", 1252, "REGEDIT4\r\n[A]\r\n\"s\"=\"ab\"\r\n\"e\"=hex(2):61,62\r\n",
         L"A: s=1:610062000000 e=2:610062000000\n"},
        {"hex strings in the file's code page", 932, "REGEDIT4\r\n[A]\r\n\"e\"=hex(2):82,a0\r\n", L"A: e=2:42300000\n"},
        {"hex strings in the file's code page", 1252, "REGEDIT4\r\n[A]\r\n\"e\"=hex(2):82,a0\r\n",
         L"A: e=2:1a20a0000000\n"},
        {"a lead byte ending a comment", 932, "REGEDIT4\n[A]\n;\x82\n" + canary,
         L"A:\nHKEY_CURRENT_USER\\Software\\Canary: v=1:31000000\n"},
        {"a lead byte ending a comment", 1252, "REGEDIT4\n[A]\n;\x82\n" + canary,
         L"A:\nHKEY_CURRENT_USER\\Software\\Canary: v=1:31000000\n"},
        {"a lead byte ending a key line", 932, "REGEDIT4\n[A]\x82\n" + canary,
         L"A:\nHKEY_CURRENT_USER\\Software\\Canary: v=1:31000000\n"},
        {"a lead byte ending a key line", 1252, "REGEDIT4\n[A]\x82\n" + canary,
         L"A:\nHKEY_CURRENT_USER\\Software\\Canary: v=1:31000000\n"},
        {"a NUL byte", 1252, std::string("REGEDIT4\r\n[A]") + '\0' + "\r\n", L""},
    };
    for (const auto& c : ansiCases) {
        SCOPED_TRACE(std::string(c.what) + " in code page " + std::to_string(c.codePage));
        const RegFile::Content content = RegFile::Read(c.bytes, c.codePage);
        EXPECT_EQ(content.readable, !c.summary.empty());
        EXPECT_EQ(Narrow(Summary(content)), Narrow(c.summary));
    }
}

// The key level limit the rows above rely on is the registry's: Windows
// documents 255 characters, and Wine takes one more; the reader holds to the
// documented one.
TEST(RegistryFile, KeyLevelLimitIsTheRegistrys)
{
    CleanVelmora clean;
    KeyHandle key;
    auto create = [&](size_t characters) {
        return RegCreateKeyExW(HKEY_CURRENT_USER, (Key + L"\\" + std::wstring(characters, L'k')).c_str(), 0, nullptr,
                               0, KEY_READ, nullptr, key.put(), nullptr);
    };
    EXPECT_EQ(create(255), ERROR_SUCCESS);
    EXPECT_NE(create(257), ERROR_SUCCESS) << "a level beyond the limit is refused";
}
