// The console program's command line and its machine-readable listings,
// in-process.
#include "app/console/Arguments.h"
#include "app/console/ListFormat.h"
#include "app/console/Output.h"
#include "platform/Utf8.h"
#include "catalogue/ProductRow.h"

#include <gtest/gtest.h>

#include <optional>

using namespace Arguments;

namespace {

struct Case {
    const char* what;
    std::vector<std::wstring> arguments;
    std::optional<Command> expected; // nullopt: refused as a bad command line
    const wchar_t* says = nullptr;   // a refusal's text holds this
};

Command Make(Verb verb, std::wstring name = {}, int scope = BothRegisters, Format format = Format::Text,
             bool preview = false, std::wstring folder = {}, std::wstring file = {})
{
    Command c;
    c.verb = verb;
    c.name = std::move(name);
    c.scope = scope;
    c.format = format;
    c.preview = preview;
    c.folder = std::move(folder);
    c.file = std::move(file);
    return c;
}

const Case Cases[] = {
    {"help", {L"/?"}, Make(Verb::Help)},
    {"help with a dash", {L"-?"}, Make(Verb::Help)},
    {"help by its German name", {L"/Hilfe"}, Make(Verb::Help)},
    {"help in English", {L"/HELP"}, Make(Verb::Help)},
    {"help as -h", {L"-h"}, Make(Verb::Help)},
    {"a folder whose closing quote cmd took after a backslash", {L"/liste", L"/ordner", L"C:\\Daten\""},
     Make(Verb::List, {}, BothRegisters, Format::Text, false, L"C:\\Daten\\")},
    {"a folder that begins with a slash but is no switch", {L"/liste", L"/ordner", L"/daten"},
     Make(Verb::List, {}, BothRegisters, Format::Text, false, L"/daten")},
    {"a kept restore file named without .reg", {L"/wiederherstellen", L"Uninstall 2026-03-01 10-20-30"},
     Make(Verb::Restore, {}, BothRegisters, Format::Text, false, {}, L"Uninstall 2026-03-01 10-20-30.reg")},
    {"the restore file named without .reg", {L"/wiederherstellen", L"uninstall"},
     Make(Verb::Restore, {}, BothRegisters, Format::Text, false, {}, L"uninstall.reg")},
    {"list with defaults", {L"/liste"}, Make(Verb::List)},
    {"switches ignore case and take a dash", {L"-LISTE", L"/Register", L"BENUTZER", L"-format", L"Csv"},
     Make(Verb::List, {}, UserRegister, Format::Csv)},
    {"options before the verb", {L"/format", L"json", L"/register", L"haupt", L"/liste"},
     Make(Verb::List, {}, MainRegister, Format::Json)},
    {"check", {L"/pruefen", L"Alpha"}, Make(Verb::Check, L"Alpha")},
    {"check spelt with the umlaut, upper case", {L"/PR\u00dcFEN", L"Alpha"}, Make(Verb::Check, L"Alpha")},
    {"a name with blanks and umlauts is taken whole", {L"/entfernen", L"B\u00fcro Suite 2"},
     Make(Verb::Remove, L"B\u00fcro Suite 2")},
    {"remove with every option", {L"/entfernen", L"Alpha", L"/register", L"benutzer", L"/vorschau", L"/ordner", L"C:\\Daten"},
     Make(Verb::Remove, L"Alpha", UserRegister, Format::Text, true, L"C:\\Daten")},
    {"restore Uninstall.reg", {L"/wiederherstellen"}, Make(Verb::Restore)},
    {"restore a kept file by its name", {L"/wiederherstellen", L"Uninstall 2026-03-01 10-20-30.reg"},
     Make(Verb::Restore, {}, BothRegisters, Format::Text, false, {}, L"Uninstall 2026-03-01 10-20-30.reg")},
    {"restore a kept copy", {L"/wiederherstellen", L"uninstall 2026-03-01 10-20-30 (2).REG", L"/ordner", L"D:\\x"},
     Make(Verb::Restore, {}, BothRegisters, Format::Text, false, L"D:\\x", L"uninstall 2026-03-01 10-20-30 (2).REG")},

    {"nothing at all", {}, std::nullopt},
    {"an unknown switch", {L"/liste", L"/alles"}, std::nullopt},
    {"two verbs", {L"/liste", L"/pruefen", L"Alpha"}, std::nullopt},
    {"a verb twice", {L"/liste", L"/LISTE"}, std::nullopt},
    {"a name before the verb", {L"Alpha", L"/entfernen"}, std::nullopt},
    {"remove without a name", {L"/entfernen"}, std::nullopt},
    {"remove with an empty name", {L"/entfernen", L""}, std::nullopt},
    {"check without a name", {L"/pruefen", L"/register", L"haupt"}, std::nullopt},
    {"two names", {L"/entfernen", L"Alpha", L"Beta"}, std::nullopt},
    {"a name that reaches below a product", {L"/entfernen", L"Alpha\\Module"}, std::nullopt},
    {"a name that reaches below a product, checked", {L"/pruefen", L"Alpha\\"}, std::nullopt},
    {"list takes no name", {L"/liste", L"Alpha"}, std::nullopt},
    {"an unknown scope", {L"/liste", L"/register", L"alle"}, std::nullopt},
    {"a scope without its value", {L"/liste", L"/register"}, std::nullopt},
    {"a scope twice", {L"/liste", L"/register", L"haupt", L"/register", L"haupt"}, std::nullopt},
    {"an unknown format", {L"/liste", L"/format", L"xml"}, std::nullopt},
    {"a format beside another verb", {L"/pruefen", L"Alpha", L"/format", L"csv"}, std::nullopt},
    {"a preview beside another verb", {L"/liste", L"/vorschau"}, std::nullopt},
    {"a preview twice", {L"/entfernen", L"Alpha", L"/vorschau", L"-VORSCHAU"}, std::nullopt},
    {"a folder without its path", {L"/entfernen", L"Alpha", L"/ordner"}, std::nullopt},
    {"a folder whose value is the next switch (an empty variable)",
     {L"/entfernen", L"Beta", L"/register", L"benutzer", L"/ordner", L"/vorschau"}, std::nullopt, L"/vorschau"},
    {"a folder whose value is a verb with a dash", {L"/liste", L"/ordner", L"-LISTE"}, std::nullopt},
    {"a folder whose value is the help", {L"/liste", L"/ordner", L"-?"}, std::nullopt},
    {"a scope whose value is the next switch", {L"/entfernen", L"Beta", L"/register", L"/ordner", L"C:\\x"}, std::nullopt},
    {"a format whose value is the verb", {L"/format", L"/liste"}, std::nullopt},
    {"a format whose value is the scope switch", {L"/liste", L"/format", L"-register", L"haupt"}, std::nullopt},
    {"an empty format", {L"/liste", L"/format", L""}, std::nullopt},
    {"an empty scope", {L"/liste", L"/register", L""}, std::nullopt},
    {"a folder that swallowed the rest of the line after cmd's quote", {L"/entfernen", L"Alpha", L"/ordner", L"C:\\x\" /vorschau"},
     std::nullopt, L"Anf\u00fchrungszeichen"},
    {"a folder of a quote alone", {L"/liste", L"/ordner", L"\"\""}, std::nullopt},
    {"a name split by missing quotes", {L"/entfernen", L"Velmora", L"Suite"}, std::nullopt, L"\"Velmora Suite\""},
    {"an empty folder", {L"/liste", L"/ordner", L""}, std::nullopt},
    {"a scope beside the restore", {L"/wiederherstellen", L"/register", L"haupt"}, std::nullopt},
    {"a restore file by a path", {L"/wiederherstellen", L"C:\\Daten\\Uninstall.reg"}, std::nullopt,
     L"Tessarine /wiederherstellen \"Uninstall.reg\" /ordner \"C:\\Daten\""},
    {"a kept restore file by a path without .reg", {L"/wiederherstellen", L"D:\\Uninstall 2026-03-01 10-20-30"},
     std::nullopt, L"\"Uninstall 2026-03-01 10-20-30.reg\" /ordner \"D:\\\""},
    {"a restore file by a relative path", {L"/wiederherstellen", L"..\\Uninstall.reg"}, std::nullopt},
    {"a restore file by a forward path", {L"/wiederherstellen", L"sub/Uninstall.reg"}, std::nullopt},
    {"a restore file by a wildcard", {L"/wiederherstellen", L"Uninstall*.reg"}, std::nullopt},
    {"a restore file by a drive", {L"/wiederherstellen", L"C:Uninstall.reg"}, std::nullopt},
    {"the parent folder", {L"/wiederherstellen", L".."}, std::nullopt},
    {"a file that is no restore file", {L"/wiederherstellen", L"Uninstall.bak"}, std::nullopt},
    {"a kept name with a bad moment", {L"/wiederherstellen", L"Uninstall 2026-13-01 10-20-30x.reg"}, std::nullopt},
};

} // namespace

TEST(ConsoleArguments, ParseTakesTheDocumentedCommandLinesAndRefusesTheRest)
{
    for (const Case& c : Cases) {
        SCOPED_TRACE(c.what);
        const Parsed p = Parse(c.arguments);
        if (!c.expected) {
            EXPECT_FALSE(p.ok) << "a bad command line is refused, never guessed at";
            EXPECT_FALSE(p.error.empty()) << "a refusal says why";
            if (c.says) EXPECT_NE(p.error.find(c.says), std::wstring::npos) << testing::PrintToString(p.error);
            continue;
        }
        ASSERT_TRUE(p.ok) << "refused: " << testing::PrintToString(p.error);
        EXPECT_TRUE(p.command == *c.expected);
        EXPECT_EQ(p.command.name, c.expected->name);
        EXPECT_EQ(p.command.folder, c.expected->folder);
        EXPECT_EQ(p.command.file, c.expected->file);
    }
}

namespace {

Listing::Product Product(std::wstring name, HKEY root, const wchar_t* view, std::wstring dir, std::wstring version)
{
    return {std::move(name), root, view, std::move(dir), std::move(version)};
}

struct FormatCase {
    const char* what;
    Listing::Product product;
    std::wstring csvRecord;
    std::wstring jsonObject;
};

const FormatCase FormatCases[] = {
    {"plain", Product(L"Alpha", HKEY_LOCAL_MACHINE, L"Hauptregister", L"C:\\Programme\\Alpha", L"2.0"),
     L"Alpha,HKEY_LOCAL_MACHINE,Hauptregister,C:\\Programme\\Alpha,2.0",
     L"{\"name\":\"Alpha\",\"root\":\"HKEY_LOCAL_MACHINE\",\"register\":\"Hauptregister\","
     L"\"installDir\":\"C:\\\\Programme\\\\Alpha\",\"version\":\"2.0\"}"},
    {"comma, quote and umlaut", Product(L"B\u00fcro, \"Pro\"", HKEY_CURRENT_USER, L"Benutzerregister", L"<PROGRAMS>", L"1.0"),
     L"\"B\u00fcro, \"\"Pro\"\"\",HKEY_CURRENT_USER,Benutzerregister,<PROGRAMS>,1.0",
     L"{\"name\":\"B\u00fcro, \\\"Pro\\\"\",\"root\":\"HKEY_CURRENT_USER\",\"register\":\"Benutzerregister\","
     L"\"installDir\":\"<PROGRAMS>\",\"version\":\"1.0\"}"},
    {"line breaks, a tab and a control character",
     Product(L"Zeile\r\nzwei", HKEY_LOCAL_MACHINE, L"Hauptregister (32-Bit-Ansicht)", L"a\tb", std::wstring(L"v\x01", 2)),
     L"\"Zeile\r\nzwei\",HKEY_LOCAL_MACHINE,Hauptregister (32-Bit-Ansicht),a\tb,v\x01",
     L"{\"name\":\"Zeile\\r\\nzwei\",\"root\":\"HKEY_LOCAL_MACHINE\",\"register\":\"Hauptregister (32-Bit-Ansicht)\","
     L"\"installDir\":\"a\\tb\",\"version\":\"v\\u0001\"}"},
};

const std::wstring CsvHeader = L"Produkt,Wurzel,Register,Installationsordner,Version";

} // namespace

TEST(ConsoleArguments, ListingsEscapeEveryFieldForCsvAndJson)
{
    for (const FormatCase& c : FormatCases) {
        SCOPED_TRACE(c.what);
        const std::vector<Listing::Product> one{c.product};
        EXPECT_EQ(ListFormat::Csv(one), CsvHeader + Output::EndOfLine + c.csvRecord + Output::EndOfLine);
        EXPECT_EQ(ListFormat::Json(one), std::wstring(L"[") + Output::EndOfLine + L" " + c.jsonObject
                                             + Output::EndOfLine + L"]" + Output::EndOfLine);
        EXPECT_EQ(ListFormat::Text(one), ProductRow::Make(c.product.name, ProductRow::RootName(c.product.root),
                                                          c.product.installDir, c.product.version)
                                             + L"\t" + c.product.view + Output::EndOfLine);
    }
    EXPECT_EQ(ListFormat::Csv({}), CsvHeader + Output::EndOfLine) << "an empty listing keeps its header";
    EXPECT_EQ(ListFormat::Json({}), std::wstring(L"[]") + Output::EndOfLine) << "an empty listing is an empty array";
}

TEST(ConsoleArguments, MessagesBecomeConsoleLinesWithoutTheBoxPadding)
{
    EXPECT_EQ(Output::Lines(L"Erste   \nZweite"), L"Erste\r\nZweite\r\n");
    EXPECT_EQ(Output::Lines(L"Eine\n"), L"Eine\r\n");
    EXPECT_EQ(Utf8::FromWide(L"\u00c4pfel \u00fcber Stra\u00dfe"), "\xc3\x84pfel \xc3\xbc" "ber Stra\xc3\x9f" "e");
}
