// The console program's command line and its machine-readable listings,
// in-process.
#include "console/Arguments.h"
#include "console/ListFormat.h"
#include "console/Output.h"
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

Command Everyone(Command c)
{
    c.allUsers = true;
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
    {"the restore files", {L"/dateien"}, Make(Verb::Files)},
    {"every person's register listed", {L"/liste", L"/Alle-Benutzer", L"/format", L"csv"},
     Everyone(Make(Verb::List, {}, BothRegisters, Format::Csv))},
    {"a removal from every person's register, previewed", {L"/entfernen", L"Alpha", L"/alle-benutzer", L"/vorschau"},
     Everyone(Make(Verb::Remove, L"Alpha", BothRegisters, Format::Text, true))},
    {"every person's register checked, user registers only", {L"/pruefen", L"Alpha", L"/register", L"benutzer", L"-ALLE-BENUTZER"},
     Everyone(Make(Verb::Check, L"Alpha", UserRegister))},
    {"the restore files of a folder as JSON", {L"-DATEIEN", L"/ordner", L"D:\\x", L"/format", L"json"},
     Make(Verb::Files, {}, BothRegisters, Format::Json, false, L"D:\\x")},

    {"nothing at all", {}, std::nullopt},
    {"every person's register beside the main register alone", {L"/liste", L"/alle-benutzer", L"/register", L"haupt"},
     std::nullopt, L"/register haupt"},
    {"every person's register twice", {L"/pruefen", L"Alpha", L"/alle-benutzer", L"/ALLE-BENUTZER"}, std::nullopt},
    {"every person's register beside the restore", {L"/wiederherstellen", L"/alle-benutzer"}, std::nullopt},
    {"every person's register beside the restore files", {L"/dateien", L"/alle-benutzer"}, std::nullopt,
     L"/liste, /pruefen und /entfernen"},
    {"a folder whose value is the switch for every person", {L"/liste", L"/ordner", L"/alle-benutzer"}, std::nullopt},
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
    {"a scope beside the restore files", {L"/dateien", L"/register", L"haupt"}, std::nullopt},
    {"the restore files take no name", {L"/dateien", L"Uninstall.reg"}, std::nullopt},
    {"the restore files with a preview", {L"/dateien", L"/vorschau"}, std::nullopt},
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

using Value = std::optional<std::wstring>;

Listing::Place Place(std::wstring name, const wchar_t* view, std::wstring key, Value dir, Value version)
{
    return {std::move(name), HKEY_CURRENT_USER, view, std::move(key), std::move(dir), std::move(version)};
}

struct FormatCase {
    const char* what;
    Listing::Place place;
    std::wstring csvRecord;
    std::wstring jsonObject;
    bool marked = false; // the text line names the replaced characters
};

const std::wstring Lone = L"Alt\xd800";
// Control characters besides the ones with their own escapes, NUL among
// them; DEL is none in JSON.
const std::wstring Controls(L"\x01\x1f\x00\x7f" L"v\x0b", 6);

const FormatCase FormatCases[] = {
    {"plain", Place(L"Alpha", L"Hauptregister", L"HKEY_LOCAL_MACHINE\\Software\\Velmora\\Alpha", L"C:\\Alpha", L"2.0"),
     L"Alpha,Hauptregister,HKEY_LOCAL_MACHINE\\Software\\Velmora\\Alpha,C:\\Alpha,2.0,",
     L"{\"name\":\"Alpha\",\"register\":\"Hauptregister\",\"key\":\"HKEY_LOCAL_MACHINE\\\\Software\\\\Velmora\\\\Alpha\","
     L"\"installDir\":\"C:\\\\Alpha\",\"version\":\"2.0\"}"},
    {"no values: empty and null, never the window's placeholders",
     Place(L"Leer", L"Hauptregister (32-Bit-Ansicht)", L"K", std::nullopt, std::nullopt),
     L"Leer,Hauptregister (32-Bit-Ansicht),K,,,",
     L"{\"name\":\"Leer\",\"register\":\"Hauptregister (32-Bit-Ansicht)\",\"key\":\"K\",\"installDir\":null,\"version\":null}"},
    {"an empty value is a value", Place(L"E", L"Benutzerregister", L"K", L"", std::nullopt), L"E,Benutzerregister,K,,,",
     L"{\"name\":\"E\",\"register\":\"Benutzerregister\",\"key\":\"K\",\"installDir\":\"\",\"version\":null}"},
    {"comma, quote and umlaut", Place(L"B\u00fcro, \"Pro\"", L"Benutzerregister", L"K", L"a,b", L"1"),
     L"\"B\u00fcro, \"\"Pro\"\"\",Benutzerregister,K,\"a,b\",1,",
     L"{\"name\":\"B\u00fcro, \\\"Pro\\\"\",\"register\":\"Benutzerregister\",\"key\":\"K\",\"installDir\":\"a,b\","
     L"\"version\":\"1\"}"},
    {"line breaks, a bare CR, a tab and control characters",
     Place(L"Zeile\r\nzwei", L"R", L"K\rL", L"a\tb", Controls),
     L"\"Zeile\r\nzwei\",R,\"K\rL\",a\tb," + Controls + L",",
     L"{\"name\":\"Zeile\\r\\nzwei\",\"register\":\"R\",\"key\":\"K\\rL\",\"installDir\":\"a\\tb\","
     L"\"version\":\"\\u0001\\u001f\\u0000\x7fv\\u000b\"}"},
    {"a lone high surrogate: escaped in JSON, marked in CSV", Place(Lone, L"R", L"K\\" + Lone, Value{}, Value{}),
     Lone + L",R,K\\" + Lone + L",,,ja", L"{\"name\":\"Alt\\ud800\",\"register\":\"R\",\"key\":\"K\\\\Alt\\ud800\","
     L"\"installDir\":null,\"version\":null}", true},
    {"a lone low surrogate in a value, and one before a letter",
     Place(L"N", L"R", L"K", L"\xdc00", L"\xdbff" L"x"), L"N,R,K,\xdc00,\xdbff" L"x,ja",
     L"{\"name\":\"N\",\"register\":\"R\",\"key\":\"K\",\"installDir\":\"\\udc00\",\"version\":\"\\udbffx\"}", true},
    {"a surrogate pair is a character", Place(L"Gesicht \U0001F600", L"R", L"K", L"\U0001F600", Value{}),
     L"Gesicht \U0001F600,R,K,\U0001F600,,",
     L"{\"name\":\"Gesicht \U0001F600\",\"register\":\"R\",\"key\":\"K\",\"installDir\":\"\U0001F600\",\"version\":null}"},
    {"two lows after a pair", Place(L"\xd83d\xde00\xde00", L"R", L"K", Value{}, Value{}), L"\xd83d\xde00\xde00,R,K,,,ja",
     L"{\"name\":\"\U0001F600\\ude00\",\"register\":\"R\",\"key\":\"K\",\"installDir\":null,\"version\":null}", true},
};

const std::wstring CsvHeader = L"Produkt,Register,Schluessel,Installationsordner,Version,Ersetzt";
const std::wstring Eol = Output::EndOfLine;

} // namespace

TEST(ConsoleArguments, ListingsGiveEveryPlaceAsItIsInCsvAndJson)
{
    std::vector<Listing::Place> all;
    std::wstring csv = CsvHeader + Eol, json = L"[";
    for (const FormatCase& c : FormatCases) {
        SCOPED_TRACE(c.what);
        const std::vector<Listing::Place> one{c.place};
        EXPECT_EQ(ListFormat::Csv(one), CsvHeader + Eol + c.csvRecord + Eol);
        EXPECT_EQ(ListFormat::Json(one), L"[" + Eol + L" " + c.jsonObject + Eol + L"]" + Eol);
        const Listing::Product product{c.place.name, HKEY_CURRENT_USER, c.place.view.c_str(),
                                       c.place.installDir.value_or(ProductRow::NoInstallDir),
                                       c.place.version.value_or(ProductRow::NoVersion)};
        const std::wstring row = ProductRow::Make(product.name, ProductRow::UserRootName, product.installDir,
                                                  product.version)
                               + L"\t" + c.place.view;
        EXPECT_EQ(ListFormat::Text({product}),
                  row + (c.marked ? std::wstring(L"\t") + ListFormat::ReplacedNote : L"") + Eol);
        EXPECT_EQ(ListFormat::Exact(c.jsonObject), true) << "JSON holds nothing that UTF-8 cannot carry";
        all.push_back(c.place);
        csv += c.csvRecord + Eol;
        json += (all.size() > 1 ? L"," : L"") + Eol + L" " + c.jsonObject;
    }
    // Records are separated, each once, in the order given.
    EXPECT_EQ(ListFormat::Csv(all), csv);
    EXPECT_EQ(ListFormat::Json(all), json + Eol + L"]" + Eol);
    EXPECT_EQ(ListFormat::Csv({}), CsvHeader + Eol) << "an empty listing keeps its header";
    EXPECT_EQ(ListFormat::Json({}), L"[]" + Eol) << "an empty listing is an empty array";
}

TEST(ConsoleArguments, MessagesBecomeConsoleLinesWithoutTheBoxPadding)
{
    EXPECT_EQ(Output::Lines(L"Erste   \nZweite"), L"Erste\r\nZweite\r\n");
    EXPECT_EQ(Output::Lines(L"Eine\n"), L"Eine\r\n");
    EXPECT_EQ(Utf8::FromWide(L"\u00c4pfel \u00fcber Stra\u00dfe"), "\xc3\x84pfel \xc3\xbc" "ber Stra\xc3\x9f" "e");
}
