// The real Tessarine.com under Wine, started as a fleet tool starts it: no
// window, standard output and error redirected to files, judged by its exit
// code, with the real registry editor behind it.
#include "catalogue/ProductRow.h"
#include "console/ExitCodes.h"
#include "console/ListFormat.h"
#include "platform/Handles.h"
#include "platform/Registry.h"
#include "removal/RestoreFile.h"
#include "removal/RestoreFiles.h"
#include "support/TestSupport.h"
#include "ConsoleRun.h"

#include <gtest/gtest.h>

#include <sddl.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <set>

using namespace test;

namespace {


// The folder's files and their bytes, one level of subfolders deep.
std::map<std::wstring, std::string> FolderPicture(const std::wstring& folder)
{
    std::map<std::wstring, std::string> picture;
    WIN32_FIND_DATAW data;
    FindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &data));
    if (!find) return picture;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            picture[name + L"\\"] = "";
            for (const auto& [inner, bytes] : FolderPicture(folder + L"\\" + name)) picture[name + L"\\" + inner] = bytes;
        } else {
            picture[name] = ReadFileBytes(folder + L"\\" + name);
        }
    } while (FindNextFileW(find.get(), &data));
    return picture;
}

std::string Names(const std::map<std::wstring, std::string>& picture)
{
    std::string names;
    for (const auto& [name, bytes] : picture) names += Narrow(name) + " (" + std::to_string(bytes.size()) + ") ";
    return names;
}

size_t Lines(const std::string& text)
{
    size_t n = 0;
    for (char c : text) n += c == '\n';
    return n;
}


// The JSON string whose opening quote is at `at`, read as a JSON reader
// reads it: UTF-8 text, and each \uXXXX the code unit it names. nullopt for
// anything that is no JSON string, a raw control character among them.
std::optional<std::wstring> JsonStringAt(const std::string& json, size_t at)
{
    if (at >= json.size() || json[at] != '"') return std::nullopt;
    std::wstring text;
    std::string run; // UTF-8 bytes up to the next escape
    auto decode = [&] {
        if (run.empty()) return true;
        const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, run.data(), int(run.size()), nullptr, 0);
        if (n <= 0) return false;
        std::wstring wide(size_t(n), L'\0');
        if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, run.data(), int(run.size()), wide.data(), n) != n)
            return false;
        text += wide;
        run.clear();
        return true;
    };
    for (size_t i = at + 1; i < json.size(); ++i) {
        const char c = json[i];
        if (c == '"') return decode() ? std::optional<std::wstring>(text) : std::nullopt;
        if (static_cast<unsigned char>(c) < 0x20) return std::nullopt;
        if (c != '\\') {
            run += c;
            continue;
        }
        if (!decode() || ++i >= json.size()) return std::nullopt;
        switch (json[i]) {
        case '"': text += L'"'; break;
        case '\\': text += L'\\'; break;
        case '/': text += L'/'; break;
        case 'b': text += L'\b'; break;
        case 'f': text += L'\f'; break;
        case 'n': text += L'\n'; break;
        case 'r': text += L'\r'; break;
        case 't': text += L'\t'; break;
        case 'u': {
            if (i + 4 >= json.size()) return std::nullopt;
            const std::string hex = json.substr(i + 1, 4);
            char* end = nullptr;
            const unsigned long unit = std::strtoul(hex.c_str(), &end, 16);
            if (end != hex.c_str() + 4) return std::nullopt;
            text += wchar_t(unit);
            i += 4;
            break;
        }
        default: return std::nullopt;
        }
    }
    return std::nullopt;
}

// Every object's string member of that name, in order, as a JSON reader
// gives it back.
std::vector<std::optional<std::wstring>> JsonMembers(const std::string& json, const std::string& member)
{
    std::vector<std::optional<std::wstring>> values;
    const std::string key = "\"" + member + "\":";
    for (size_t at = json.find(key); at != std::string::npos; at = json.find(key, at + 1))
        values.push_back(JsonStringAt(json, at + key.size()));
    return values;
}

size_t Count(const std::string& text, const std::string& part)
{
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

// A file's last write time in local time, as a restore files row writes it.
std::string LastWritten(const std::wstring& file)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    SYSTEMTIME utc{}, local{};
    if (!GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data)
        || !FileTimeToSystemTime(&data.ftLastWriteTime, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
        return "<no time>";
    return Narrow(RestoreFiles::TimeText(local));
}

// The products of the tests: umlauts in names, folders and values, a
// subkey, the main register's two views, and a name in both registers.
void SeedProducts()
{
    AddProduct(HKEY_LOCAL_MACHINE, L"Alpha", L"C:\\Programme\\\u00c4pfel", L"2.0");
    SetString(HKEY_LOCAL_MACHINE, std::wstring(Velmora) + L"\\Alpha\\Module", L"Gr\u00f6\u00dfe", L"gro\u00df");
    AddProduct(HKEY_LOCAL_MACHINE, L"Gamma", nullptr, nullptr, KEY_WOW64_32KEY);
    AddProduct(HKEY_CURRENT_USER, L"B\u00fccher", L"C:\\B\u00fccher", L"1.5");
    AddProduct(HKEY_CURRENT_USER, L"ALPHA");
}

// The main register's product root readable but not writable for everyone,
// as a standard user finds it; its own security comes back when this goes.
class ReadOnlyProductRoot {
public:
    ReadOnlyProductRoot()
    {
        CreateKey(HKEY_LOCAL_MACHINE, Velmora);
        KeyHandle key;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, Velmora, 0, READ_CONTROL | WRITE_DAC, key.put()) != ERROR_SUCCESS) return;
        DWORD size = 0;
        RegGetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, nullptr, &size);
        saved_.resize(size);
        if (RegGetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, saved_.data(), &size) != ERROR_SUCCESS) return;
        PSECURITY_DESCRIPTOR readOnly = nullptr;
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;KR;;;WD)", SDDL_REVISION_1, &readOnly, nullptr))
            return;
        applied_ = RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, readOnly) == ERROR_SUCCESS;
        LocalFree(readOnly);
    }
    ~ReadOnlyProductRoot()
    {
        KeyHandle key;
        if (applied_ && RegOpenKeyExW(HKEY_LOCAL_MACHINE, Velmora, 0, WRITE_DAC, key.put()) == ERROR_SUCCESS)
            RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, saved_.data());
    }
    ReadOnlyProductRoot(const ReadOnlyProductRoot&) = delete;
    ReadOnlyProductRoot& operator=(const ReadOnlyProductRoot&) = delete;
    bool applied() const { return applied_; }

private:
    std::vector<char> saved_;
    bool applied_ = false;
};

// A key that nobody may read, as an installer's own access list can leave
// it; its own list comes back when this goes, so that the key can be cleaned.
class DeniedKey {
public:
    DeniedKey(HKEY root, const std::wstring& path) : root_(root), path_(path)
    {
        KeyHandle key;
        if (RegOpenKeyExW(root_, path_.c_str(), 0, READ_CONTROL | WRITE_DAC, key.put()) != ERROR_SUCCESS) return;
        DWORD size = 0;
        RegGetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, nullptr, &size);
        saved_.resize(size);
        if (RegGetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, saved_.data(), &size) != ERROR_SUCCESS) return;
        LocalMemory<void> nobody;
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P", SDDL_REVISION_1, nobody.put(), nullptr)) return;
        applied_ = RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, nobody.get()) == ERROR_SUCCESS;
    }
    ~DeniedKey()
    {
        KeyHandle key;
        if (applied_ && RegOpenKeyExW(root_, path_.c_str(), 0, WRITE_DAC, key.put()) == ERROR_SUCCESS)
            RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, saved_.data());
    }
    DeniedKey(const DeniedKey&) = delete;
    DeniedKey& operator=(const DeniedKey&) = delete;
    bool applied() const { return applied_; }

private:
    HKEY root_;
    std::wstring path_;
    std::vector<char> saved_;
    bool applied_ = false;
};

struct Console : ::testing::Test {
    CleanVelmora clean;
    ScratchFolder folder;
};

} // namespace

TEST_F(Console, EachVerbReportsByOutputAndExitCodeAndChangesNothingItShouldNot)
{
    SeedProducts();
    WriteFileBytes(folder.file(L"kein Ordner.txt"), "x");
    ScratchFolder foreign;
    WriteFileBytes(foreign.file(L"Uninstall.reg"),
                   Utf16File(RegHead + L"[HKEY_CURRENT_USER\\Software\\Fremd]\r\n"
                             L"\"a\"=\"b\"\r\n\r\n"));
    // One name in three places, each holding other values or none.
    AddProduct(HKEY_LOCAL_MACHINE, L"Delta", nullptr, L"3.0");
    AddProduct(HKEY_LOCAL_MACHINE, L"Delta", L"C:\\Delta32", nullptr, KEY_WOW64_32KEY);
    AddProduct(HKEY_CURRENT_USER, L"Delta");
    const std::wstring in = L" /ordner " + Quoted(folder.path());
    struct Case {
        const char* what;
        std::wstring arguments;
        int code;
        std::string out; // expected standard output; "" when only contains matters
        std::string contains;
        bool mayLog = false; // the working folder may gain its log line
        std::string err = {}; // standard error holds this
    };
    const Case cases[] = {
        {"the listing of both registers, as UTF-8 with umlauts", L"/liste", ExitCode::Done,
         "Alpha\tHKEY_LOCAL_MACHINE\tC:\\Programme\\\xc3\x84pfel\t2.0\tHauptregister\r\n"
         "B\xc3\xbc" "cher\tHKEY_CURRENT_USER\tC:\\B\xc3\xbc" "cher\t1.5\tBenutzerregister\r\n"
         "Delta\tHKEY_LOCAL_MACHINE\t<PROGRAMS>\t3.0\tHauptregister\r\n"
         "Gamma\tHKEY_LOCAL_MACHINE\t<PROGRAMS>\t1.0\tHauptregister (32-Bit-Ansicht)\r\n",
         ""},
        {"the user register as CSV", L"-LISTE /Register benutzer /format CSV", ExitCode::Done,
         "Produkt,Register,Schluessel,Installationsordner,Version,Ersetzt\r\n"
         "ALPHA,Benutzerregister,HKEY_CURRENT_USER\\Software\\Velmora\\ALPHA,,,\r\n"
         "B\xc3\xbc" "cher,Benutzerregister,HKEY_CURRENT_USER\\Software\\Velmora\\B\xc3\xbc" "cher,C:\\B\xc3\xbc" "cher,1.5,\r\n"
         "Delta,Benutzerregister,HKEY_CURRENT_USER\\Software\\Velmora\\Delta,,,\r\n",
         ""},
        {"every place as CSV: one name in three places, values the key lacks empty", L"/liste /format csv",
         ExitCode::Done,
         "Produkt,Register,Schluessel,Installationsordner,Version,Ersetzt\r\n"
         "Alpha,Hauptregister,HKEY_LOCAL_MACHINE\\Software\\Velmora\\Alpha,C:\\Programme\\\xc3\x84pfel,2.0,\r\n"
         "ALPHA,Benutzerregister,HKEY_CURRENT_USER\\Software\\Velmora\\ALPHA,,,\r\n"
         "B\xc3\xbc" "cher,Benutzerregister,HKEY_CURRENT_USER\\Software\\Velmora\\B\xc3\xbc" "cher,C:\\B\xc3\xbc" "cher,1.5,\r\n"
         "Delta,Hauptregister,HKEY_LOCAL_MACHINE\\Software\\Velmora\\Delta,,3.0,\r\n"
         "Delta,Hauptregister (32-Bit-Ansicht),HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Velmora\\Delta,C:\\Delta32,,\r\n"
         "Delta,Benutzerregister,HKEY_CURRENT_USER\\Software\\Velmora\\Delta,,,\r\n"
         "Gamma,Hauptregister (32-Bit-Ansicht),HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Velmora\\Gamma,,,\r\n",
         ""},
        {"the main register's places as JSON, values the key lacks null", L"/liste /register haupt /format json",
         ExitCode::Done,
         "[\r\n"
         " {\"name\":\"Alpha\",\"register\":\"Hauptregister\",\"key\":\"HKEY_LOCAL_MACHINE\\\\Software\\\\Velmora\\\\Alpha\","
         "\"installDir\":\"C:\\\\Programme\\\\\xc3\x84pfel\",\"version\":\"2.0\"},\r\n"
         " {\"name\":\"Delta\",\"register\":\"Hauptregister\",\"key\":\"HKEY_LOCAL_MACHINE\\\\Software\\\\Velmora\\\\Delta\","
         "\"installDir\":null,\"version\":\"3.0\"},\r\n"
         " {\"name\":\"Delta\",\"register\":\"Hauptregister (32-Bit-Ansicht)\","
         "\"key\":\"HKEY_LOCAL_MACHINE\\\\Software\\\\Wow6432Node\\\\Velmora\\\\Delta\",\"installDir\":\"C:\\\\Delta32\","
         "\"version\":null},\r\n"
         " {\"name\":\"Gamma\",\"register\":\"Hauptregister (32-Bit-Ansicht)\","
         "\"key\":\"HKEY_LOCAL_MACHINE\\\\Software\\\\Wow6432Node\\\\Velmora\\\\Gamma\",\"installDir\":null,\"version\":null}\r\n"
         "]\r\n",
         ""},
        {"the restore files of a folder without any", L"/dateien" + in, ExitCode::Done, "",
         "keine Wiederherstellungsdatei"},
        {"the restore files of a folder without any, as CSV", L"/dateien /format csv" + in, ExitCode::Done,
         "Datei,Entfernt,Produkte,Schluessel,Werte,Wiederherstellbar,Grund,Ersetzt\r\n", ""},
        {"the restore files of a folder that is not there, as JSON",
         L"/dateien /format json /ordner " + Quoted(folder.file(L"fehlt")), ExitCode::Done, "[]\r\n", ""},
        {"a check that finds the product in another letter case", L"/pruefen alpha", ExitCode::Found, "", ""},
        {"a check of the user register that finds it", L"/pruefen Alpha /register benutzer", ExitCode::Found, "", ""},
        {"a check where the product is not", L"/pruefen Gamma /register benutzer", ExitCode::Done, "", ""},
        {"a check of an unknown product", L"/pruefen Nichts", ExitCode::Done, "", ""},
        {"a removal with nothing to remove, not even a log line", L"/entfernen Nichts" + in, ExitCode::Done, "",
         "nichts zu entfernen"},
        {"nothing to remove, in a folder that is a file", L"/entfernen Nichts /ordner " + Quoted(folder.file(L"kein Ordner.txt")),
         ExitCode::Done, "", "nichts zu entfernen"},
        {"nothing to remove, in a folder that is not there and is not made",
         L"/entfernen Nichts /ordner " + Quoted(folder.file(L"neu")), ExitCode::Done, "", ""},
        {"a name with a trailing blank, which is not there", L"/pruefen \"Alpha \"", ExitCode::Done, "", "", false,
         "\"Alpha\""},
        {"the help with its exit codes", L"/?", ExitCode::Done, "", "69006"},
        {"the help by its German name", L"/HILFE", ExitCode::Done, "", "69006"},
        {"the help as -h", L"-h", ExitCode::Done, "", "69006"},
        {"a folder whose value is the next switch", L"/entfernen B\u00fccher /register benutzer /ordner /vorschau",
         ExitCode::BadCommandLine, "", ""},
        {"a folder whose value is empty", L"/entfernen B\u00fccher /register benutzer /ordner \"\"",
         ExitCode::BadCommandLine, "", ""},
        {"a folder quoted with a backslash at its end, which swallows the switch after it",
         L"/entfernen B\u00fccher /ordner \"" + folder.path() + L"\\\" /register benutzer", ExitCode::BadCommandLine, "", ""},
        {"a name split by missing quotes", L"/entfernen Velmora Suite" + in, ExitCode::BadCommandLine, "", "", false,
         "\"Velmora Suite\""},
        {"a kept restore file named without .reg", L"/wiederherstellen \"Uninstall 2026-03-01 10-20-30\"" + in,
         ExitCode::RestoreFileRefused, "", "", false, "Uninstall 2026-03-01 10-20-30.reg"},
        {"a working folder that is a file", L"/liste /ordner " + Quoted(folder.file(L"kein Ordner.txt")),
         ExitCode::FolderUnusable, "", ""},
        // Every verb that takes a folder refuses one that is a file, in the same words.
        {"a check in a folder that is a file", L"/pruefen Alpha /ordner " + Quoted(folder.file(L"kein Ordner.txt")),
         ExitCode::FolderUnusable, "", "", false, "ist kein Ordner."},
        {"a preview in a folder that is a file", L"/entfernen Alpha /vorschau /ordner " + Quoted(folder.file(L"kein Ordner.txt")),
         ExitCode::FolderUnusable, "", "", false, "ist kein Ordner."},
        {"a removal into a folder that is a file", L"/entfernen Alpha /ordner " + Quoted(folder.file(L"kein Ordner.txt")),
         ExitCode::FolderUnusable, "", "", false, "ist kein Ordner."},
        {"a restore from a folder that is a file", L"/wiederherstellen /ordner " + Quoted(folder.file(L"kein Ordner.txt")),
         ExitCode::FolderUnusable, "", "", false, "ist kein Ordner."},
        {"the restore files of a folder that is a file", L"/dateien /ordner " + Quoted(folder.file(L"kein Ordner.txt")),
         ExitCode::FolderUnusable, "", "", false, "ist kein Ordner."},
        {"a restore without a restore file", L"/wiederherstellen" + in, ExitCode::RestoreFileRefused, "", ""},
        {"a restore of a file that writes outside the products", L"/wiederherstellen /ordner " + Quoted(foreign.path()),
         ExitCode::RestoreFileRefused, "", "", true},
        {"no arguments", L"", ExitCode::BadCommandLine, "", ""},
        {"an unknown format", L"/liste /format xml", ExitCode::BadCommandLine, "", ""},
        {"a removal without a name", L"/entfernen" + in, ExitCode::BadCommandLine, "", ""},
        {"a restore file by a path", L"/wiederherstellen ..\\Uninstall.reg" + in, ExitCode::BadCommandLine, "", "", false,
         "/ordner"},
        {"a removal with a scope that does not exist", L"/entfernen Alpha /register alle" + in,
         ExitCode::BadCommandLine, "", ""},
    };
    const std::string registry = RegistryDump();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto files = FolderPicture(folder.path()), foreignFiles = FolderPicture(foreign.path());
        const ConsoleRun run = RunConsole(c.arguments);
        EXPECT_TRUE(EndedWith(run, c.code));
        if (!c.out.empty()) EXPECT_EQ(run.out, c.out);
        if (!c.contains.empty()) EXPECT_NE(run.out.find(c.contains), std::string::npos) << run.out;
        if (!c.err.empty()) EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
        if (c.code == ExitCode::BadCommandLine) EXPECT_FALSE(run.err.empty()) << "a refusal says why";
        if (c.code > ExitCode::BadCommandLine) EXPECT_FALSE(run.out.empty() && run.err.empty()) << "a failure says why";
        EXPECT_EQ(RegistryDump(), registry);
        auto filesNow = FolderPicture(folder.path()), foreignNow = FolderPicture(foreign.path());
        if (c.mayLog) {
            for (auto* picture : {&files, &foreignFiles, &filesNow, &foreignNow}) picture->erase(L"Tessarine.log");
        }
        EXPECT_TRUE(filesNow == files) << "the working folder is as it was: " << Names(filesNow);
        EXPECT_TRUE(foreignNow == foreignFiles) << "a refused restore file stays as it was";
    }
}

TEST_F(Console, PreviewNamesEveryKeyAndChangesNothingNotEvenAFile)
{
    SeedProducts();
    SetDword(HKEY_LOCAL_MACHINE, std::wstring(Velmora) + L"\\Alpha", L"Nummer", 7);
    WriteFileBytes(folder.file(L"Uninstall.reg"), Utf16File(RegHead));
    WriteFileBytes(folder.file(L"Tessarine.log"), "eine Zeile\r\n");
    const std::wstring missing = folder.file(L"fehlt");
    const std::string registry = RegistryDump();
    const auto files = FolderPicture(folder.path());

    const ConsoleRun run = RunConsole(L"/entfernen Alpha /vorschau /ordner " + Quoted(folder.path()));
    ASSERT_TRUE(EndedWith(run, ExitCode::Done));
    for (const char* line : {"HKEY_LOCAL_MACHINE\\Software\\Velmora\\Alpha\t3 Werte\r\n",
                             "HKEY_LOCAL_MACHINE\\Software\\Velmora\\Alpha\\Module\t1 Wert\r\n",
                             "HKEY_CURRENT_USER\\Software\\Velmora\\ALPHA\t0 Werte\r\n",
                             "Hauptregister: 2 Schl\xc3\xbcssel, 4 Werte", "Benutzerregister: 1 Schl\xc3\xbcssel, 0 Werte"})
        EXPECT_NE(run.out.find(line), std::string::npos) << "missing: " << line << "\nin:\n" << run.out;
    EXPECT_EQ(RegistryDump(), registry);
    EXPECT_TRUE(FolderPicture(folder.path()) == files) << "no log line, no restore file, nothing";

    const ConsoleRun elsewhere = RunConsole(L"/entfernen Alpha /vorschau /ordner " + Quoted(missing));
    EXPECT_TRUE(EndedWith(elsewhere, ExitCode::Done));
    EXPECT_EQ(GetFileAttributesW(missing.c_str()), INVALID_FILE_ATTRIBUTES) << "a preview creates no folder";
    EXPECT_EQ(RegistryDump(), registry);
}

TEST_F(Console, RemovalsWriteToTheNamedFolderAndRestoresBringEveryKeyBack)
{
    SeedProducts();
    const std::string registry = RegistryDump();
    const std::wstring work = folder.file(L"Arbeit"), program = folder.file(L"Programm");
    const std::wstring in = L" /ordner " + Quoted(work);

    // A missing working folder is created; the restore file and the log go there.
    ConsoleRun run = RunConsole(L"/entfernen Alpha" + in);
    ASSERT_TRUE(EndedWith(run, ExitCode::Done));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, std::wstring(Velmora) + L"\\Alpha"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, std::wstring(Velmora) + L"\\ALPHA"));
    EXPECT_TRUE(FileThere(work + L"\\Uninstall.reg"));
    EXPECT_EQ(Lines(ReadFileBytes(work + L"\\Tessarine.log")), 1u);

    // A second removal keeps the first one's restore file under a name of its own.
    run = RunConsole(L"/entfernen Gamma /register haupt" + in);
    ASSERT_TRUE(EndedWith(run, ExitCode::Done));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, std::wstring(Velmora) + L"\\Gamma", KEY_WOW64_32KEY));
    std::wstring kept;
    for (const auto& [name, bytes] : FolderPicture(work))
        if (name.rfind(L"Uninstall 2", 0) == 0) kept = name;
    ASSERT_FALSE(kept.empty()) << "the first removal's restore file is kept";

    // Without /ordner, the program's own folder is the working folder.
    ASSERT_TRUE(CreateDirectoryW(program.c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(TESSARINE_COM, (program + L"\\Tessarine.com").c_str(), FALSE));
    run = RunConsole(L"/entfernen B\u00fccher /register benutzer", program + L"\\Tessarine.com");
    ASSERT_TRUE(EndedWith(run, ExitCode::Done));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, std::wstring(Velmora) + L"\\B\u00fccher"));
    EXPECT_TRUE(FileThere(program + L"\\Uninstall.reg"));
    run = RunConsole(L"/wiederherstellen", program + L"\\Tessarine.com");
    EXPECT_TRUE(EndedWith(run, ExitCode::Done));
    EXPECT_TRUE(FileThere(program + L"\\Uninstall.bak"));

    // A kept restore file by its name, then Uninstall.reg.
    run = RunConsole(L"/WIEDERHERSTELLEN " + Quoted(kept) + in);
    EXPECT_TRUE(EndedWith(run, ExitCode::Done));
    EXPECT_FALSE(FileThere(work + L"\\" + kept));
    run = RunConsole(L"-wiederherstellen" + in);
    EXPECT_TRUE(EndedWith(run, ExitCode::Done));
    EXPECT_FALSE(FileThere(work + L"\\Uninstall.reg"));
    EXPECT_TRUE(FileThere(work + L"\\Uninstall.bak"));
    EXPECT_EQ(Lines(ReadFileBytes(work + L"\\Tessarine.log")), 4u) << "one line for every removal and restore";
    EXPECT_EQ(RegistryDump(), registry) << "every key and value is back as it was";

    for (const std::wstring& f : {work, program})
        for (const auto& [name, bytes] : FolderPicture(f)) DeleteFileW((f + L"\\" + name).c_str());
    RemoveDirectoryW(work.c_str());
    RemoveDirectoryW(program.c_str());
}

TEST_F(Console, WithoutRightsOnTheMainRegisterItSaysSoAndTouchesNothingThere)
{
    SeedProducts();
    ScratchFolder restoreFolder;
    ASSERT_TRUE(ExportKey(L"HKEY_LOCAL_MACHINE\\Software\\Velmora\\Alpha", restoreFolder.file(L"Uninstall.reg")));
    ReadOnlyProductRoot readOnly;
    ASSERT_TRUE(readOnly.applied());
    const std::wstring work = folder.file(L"Arbeit");
    struct Case {
        const char* what;
        std::wstring arguments;
        int code;
        std::string contains;
    };
    const Case cases[] = {
        {"a listing that includes the main register, with the user register's rows", L"/liste", ExitCode::EditorOrRights,
         "B\xc3\xbc" "cher\tHKEY_CURRENT_USER"},
        {"a listing of the user register alone", L"/liste /register benutzer", ExitCode::Done, "ALPHA"},
        {"a check, which only reads", L"/pruefen Alpha /register haupt", ExitCode::Found, ""},
        {"a removal from the main register", L"/entfernen Alpha /ordner " + Quoted(work), ExitCode::EditorOrRights, ""},
        {"a removal of a product that is nowhere, which needs no rights", L"/entfernen Nichtda /ordner " + Quoted(work),
         ExitCode::Done, "nichts zu entfernen"},
        {"a restore into the main register", L"/wiederherstellen /ordner " + Quoted(restoreFolder.path()),
         ExitCode::EditorOrRights, ""},
    };
    const std::string registry = RegistryDump();
    const auto files = FolderPicture(restoreFolder.path());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ConsoleRun run = RunConsole(c.arguments);
        EXPECT_TRUE(EndedWith(run, c.code));
        if (!c.contains.empty()) EXPECT_NE(run.out.find(c.contains), std::string::npos) << run.out;
        if (c.code == ExitCode::EditorOrRights) EXPECT_NE(run.err.find("Administratorrechte"), std::string::npos) << run.err;
        EXPECT_EQ(RegistryDump(), registry);
        EXPECT_TRUE(FolderPicture(restoreFolder.path()) == files);
        EXPECT_EQ(GetFileAttributesW(work.c_str()), INVALID_FILE_ATTRIBUTES) << "not even the folder is made";
    }

    // A product of the user register alone needs no rights on the main one.
    const ConsoleRun run = RunConsole(L"/entfernen B\u00fccher /ordner " + Quoted(work));
    EXPECT_TRUE(EndedWith(run, ExitCode::Done));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, std::wstring(Velmora) + L"\\B\u00fccher"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, std::wstring(Velmora) + L"\\Alpha"));
    for (const auto& [name, bytes] : FolderPicture(work)) DeleteFileW((work + L"\\" + name).c_str());
    RemoveDirectoryW(work.c_str());
}

namespace {

// The arguments of the command that a removal's output gives to undo it.
std::wstring UndoArguments(const std::string& out)
{
    const std::string marker = "R\xc3\xbc" "ckg\xc3\xa4" "ngig machen: Tessarine ";
    const size_t at = out.find(marker);
    if (at == std::string::npos) return {};
    const size_t from = at + marker.size(), end = out.find("\r\n", from);
    const std::string line = out.substr(from, end - from);
    const int n = MultiByteToWideChar(CP_UTF8, 0, line.data(), int(line.size()), nullptr, 0);
    std::wstring wide(size_t(n), L'\0');
    (void)MultiByteToWideChar(CP_UTF8, 0, line.data(), int(line.size()), wide.data(), n);
    return wide;
}

} // namespace

TEST_F(Console, RemovalLinesNameOnlyTheRegistersTouchedAndTheValueThatBlocked)
{
    SeedProducts();
    // String data of odd length, which no backup can hold.
    AddProduct(HKEY_CURRENT_USER, L"Delta");
    SetValue(HKEY_CURRENT_USER, std::wstring(Velmora) + L"\\Delta", L"ungerade", REG_SZ, "abc", 3);
    const std::wstring work = folder.file(L"Arbeit");
    const std::wstring in = L" /ordner " + Quoted(work);
    const std::string workUtf8 = Narrow(work);

    // Nothing removed because of one value: which one, and no earlier file to speak of.
    ConsoleRun run = RunConsole(L"/entfernen Delta /register benutzer" + in);
    EXPECT_TRUE(EndedWith(run, ExitCode::KeptNoBackup));
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("Delta wurde nicht entfernt."), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("der Wert \"ungerade\" in HKEY_CURRENT_USER\\Software\\Velmora\\Delta kann nicht gesichert werden"),
              std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("bisherige"), std::string::npos) << "there is no earlier restore file: " << run.err;
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, std::wstring(Velmora) + L"\\Delta"));

    // The user register alone, named in lower case, the folder given relative to the current one.
    run = RunConsole(L"/entfernen b\u00fccher /ordner Arbeit", TESSARINE_COM, folder.path());
    ASSERT_TRUE(EndedWith(run, ExitCode::Done));
    EXPECT_EQ(run.out, "B\xc3\xbc" "cher wurde aus dem Benutzerregister entfernt.\r\n"
                       "Benutzerregister: HKEY_CURRENT_USER\\Software\\Velmora\\B\xc3\xbc" "cher entfernt\r\n"
                       "Wiederherstellungsdatei: " + workUtf8 + "\\Uninstall.reg\r\n"
                       "R\xc3\xbc" "ckg\xc3\xa4" "ngig machen: Tessarine /wiederherstellen /ordner \"" + workUtf8 + "\"\r\n");
    EXPECT_EQ(run.err, "");
    const std::string log = ReadFileBytes(work + L"\\Tessarine.log");
    EXPECT_NE(log.find("\tB\xc3\xbc" "cher\t"), std::string::npos) << "the log names the key as the registry spells it: " << log;

    // The main register alone, in each view.
    run = RunConsole(L"/entfernen Alpha /register haupt" + in);
    ASSERT_TRUE(EndedWith(run, ExitCode::Done));
    EXPECT_EQ(run.out.find("Alpha wurde aus dem Hauptregister entfernt.\r\n"), 0u) << run.out;
    EXPECT_EQ(run.out.find("Benutzerregister"), std::string::npos) << run.out;
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, std::wstring(Velmora) + L"\\ALPHA"));
    run = RunConsole(L"/entfernen gamma" + in);
    ASSERT_TRUE(EndedWith(run, ExitCode::Done));
    EXPECT_EQ(run.out.find("Gamma wurde aus dem Hauptregister (32-Bit-Ansicht) entfernt.\r\n"), 0u) << run.out;

    // With a restore file there now, the blocked removal names it as staying.
    run = RunConsole(L"/entfernen Delta /register benutzer" + in);
    EXPECT_TRUE(EndedWith(run, ExitCode::KeptNoBackup));
    EXPECT_NE(run.err.find("Die bisherige Wiederherstellungsdatei " + workUtf8 + "\\Uninstall.reg bleibt"), std::string::npos)
        << run.err;

    // The command the output gives undoes the last removal.
    run = RunConsole(L"/entfernen ALPHA /register benutzer" + in);
    ASSERT_TRUE(EndedWith(run, ExitCode::Done));
    run = RunConsole(UndoArguments(run.out));
    EXPECT_TRUE(EndedWith(run, ExitCode::Done));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, std::wstring(Velmora) + L"\\ALPHA"));

    for (const auto& [name, bytes] : FolderPicture(work)) DeleteFileW((work + L"\\" + name).c_str());
    RemoveDirectoryW(work.c_str());
}

namespace {

// The system's registry editor moved aside while this lives, so that no
// editor can be started; it is back when this goes, whatever the test did.
class EditorAway {
public:
    EditorAway()
    {
        wchar_t windows[MAX_PATH];
        const UINT n = GetSystemWindowsDirectoryW(windows, MAX_PATH);
        if (n == 0 || n >= MAX_PATH) return;
        editor_ = std::wstring(windows) + L"\\regedit.exe";
        aside_ = editor_ + L".weg";
        moved_ = MoveFileW(editor_.c_str(), aside_.c_str()) != FALSE;
    }
    ~EditorAway()
    {
        if (moved_) MoveFileW(aside_.c_str(), editor_.c_str());
    }
    EditorAway(const EditorAway&) = delete;
    EditorAway& operator=(const EditorAway&) = delete;
    bool moved() const { return moved_; }

private:
    std::wstring editor_, aside_;
    bool moved_ = false;
};

std::wstring StringValue(HKEY root, const std::wstring& path, const wchar_t* name)
{
    wchar_t data[64] = {};
    DWORD bytes = sizeof data;
    if (RegGetValueW(root, path.c_str(), name, RRF_RT_REG_SZ, nullptr, data, &bytes) != ERROR_SUCCESS) return L"(none)";
    return data;
}

} // namespace

TEST_F(Console, RestoreTakesTwoSpellingsAsOneKeyAndRefusesWhatNoEditorCanImport)
{
    SeedProducts();
    const std::wstring zeta = std::wstring(Velmora) + L"\\Zeta";

    // Alpha and ALPHA are one key to the registry: both lines write it, and the check finds both values.
    ScratchFolder both;
    WriteFileBytes(both.file(L"Uninstall.reg"),
                   Utf16File(RegHead + L"[HKEY_CURRENT_USER\\Software\\Velmora\\Zeta]\r\n\"a\"=\"1\"\r\n\r\n"
                                       L"[HKEY_CURRENT_USER\\Software\\Velmora\\ZETA]\r\n\"b\"=\"2\"\r\n\r\n"));
    ConsoleRun run = RunConsole(L"/wiederherstellen /ordner " + Quoted(both.path()));
    EXPECT_TRUE(EndedWith(run, ExitCode::Done));
    EXPECT_EQ(StringValue(HKEY_CURRENT_USER, zeta, L"a"), L"1");
    EXPECT_EQ(StringValue(HKEY_CURRENT_USER, zeta, L"b"), L"2");
    EXPECT_FALSE(FileThere(both.file(L"Uninstall.reg")));

    // String data of odd length: refused before the editor, the file stays, nothing changes.
    ScratchFolder odd;
    const std::string oddFile =
        Utf16File(RegHead + L"[HKEY_CURRENT_USER\\Software\\Velmora\\Zeta]\r\n\"u\"=hex(1):41,00,42\r\n\r\n");
    WriteFileBytes(odd.file(L"Uninstall.reg"), oddFile);
    std::string registry = RegistryDump();
    run = RunConsole(L"/wiederherstellen /ordner " + Quoted(odd.path()));
    EXPECT_TRUE(EndedWith(run, ExitCode::RestoreFileRefused));
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("nicht importieren"), std::string::npos) << run.err;
    EXPECT_EQ(ReadFileBytes(odd.file(L"Uninstall.reg")), oddFile);
    EXPECT_EQ(RegistryDump(), registry);

    // No editor: a removal keeps its keys and a restore keeps its file, each saying why.
    ScratchFolder restorable;
    const std::string restorableFile =
        Utf16File(RegHead + L"[HKEY_CURRENT_USER\\Software\\Velmora\\Zeta]\r\n\"c\"=\"3\"\r\n\r\n");
    WriteFileBytes(restorable.file(L"Uninstall.reg"), restorableFile);
    const std::wstring work = folder.file(L"Arbeit");
    {
        EditorAway away;
        ASSERT_TRUE(away.moved());
        registry = RegistryDump();
        run = RunConsole(L"/entfernen B\u00fccher /register benutzer /ordner " + Quoted(work));
        EXPECT_TRUE(EndedWith(run, ExitCode::EditorOrRights));
        EXPECT_NE(run.err.find("nicht gestartet"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("B\xc3\xbc" "cher wurde nicht entfernt."), std::string::npos) << run.err;
        EXPECT_FALSE(FileThere(work + L"\\Uninstall.reg"));
        run = RunConsole(L"/wiederherstellen /ordner " + Quoted(restorable.path()));
        EXPECT_TRUE(EndedWith(run, ExitCode::EditorOrRights));
        EXPECT_NE(run.err.find("nicht gestartet"), std::string::npos) << run.err;
        EXPECT_EQ(ReadFileBytes(restorable.file(L"Uninstall.reg")), restorableFile);
        EXPECT_EQ(RegistryDump(), registry);
    }
    for (const auto& [name, bytes] : FolderPicture(work)) DeleteFileW((work + L"\\" + name).c_str());
    RemoveDirectoryW(work.c_str());
}

TEST_F(Console, JsonGivesBackEveryNameAsTheRegistryHoldsItAndCsvMarksWhatItCannotHold)
{
    struct Name {
        const char* what;
        std::wstring name;
        bool textCanHoldIt;
    };
    const Name names[] = {
        {"a lone high surrogate", L"Einzeln \xd800", false},
        {"a lone low surrogate first", L"\xdc00 vorn", false},
        {"a pair the wrong way round", L"Verkehrt \xde00\xd83d", false},
        {"a surrogate pair", L"Paar \xd83d\xde00", true},
        {"a bare CR and control characters", L"Zeile\rzwei\x01\x1f", true},
    };
    for (const Name& n : names) AddProduct(HKEY_CURRENT_USER, n.name);
    AddProduct(HKEY_LOCAL_MACHINE, names[0].name, nullptr, nullptr, KEY_WOW64_32KEY);

    const ConsoleRun json = RunConsole(L"/liste /format json");
    ASSERT_TRUE(EndedWith(json, ExitCode::Done));
    const auto read = JsonMembers(json.out, "name"), keys = JsonMembers(json.out, "key");
    ASSERT_EQ(read.size(), std::size(names) + 1) << json.out;
    ASSERT_EQ(keys.size(), read.size());
    for (const Name& n : names) {
        SCOPED_TRACE(n.what);
        size_t places = 0;
        for (size_t i = 0; i < read.size(); ++i) {
            ASSERT_TRUE(read[i] && keys[i]) << "every name is a JSON string: " << json.out;
            if (*read[i] != n.name) continue;
            ++places;
            EXPECT_TRUE(*keys[i] == L"HKEY_CURRENT_USER\\Software\\Velmora\\" + n.name
                        || *keys[i] == L"HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Velmora\\" + n.name)
                << "the key names the product exactly";
        }
        EXPECT_EQ(places, &n == &names[0] ? 2u : 1u) << "the name read back is the registry's";
    }

    const size_t replaced = size_t(std::count_if(std::begin(names), std::end(names),
                                                 [](const Name& n) { return !n.textCanHoldIt; }));
    const ConsoleRun csv = RunConsole(L"/liste /format csv");
    ASSERT_TRUE(EndedWith(csv, ExitCode::Done));
    EXPECT_EQ(Count(csv.out, ",ja\r\n"), replaced + 1) << csv.out;
    EXPECT_EQ(Count(csv.out, "\"Zeile\rzwei\x01\x1f\""), 1u) << "a bare CR is quoted";
    const ConsoleRun text = RunConsole(L"/liste");
    ASSERT_TRUE(EndedWith(text, ExitCode::Done));
    EXPECT_EQ(Count(text.out, "\t" + Narrow(ListFormat::ReplacedNote) + "\r\n"), replaced) << "one row a name";
}

TEST_F(Console, RestoreFilesAreListedNewestFirstInEveryFormatByTheNamesTheRestoreTakes)
{
    ASSERT_TRUE(InTheExpectedZone());
    SeedProducts();
    const std::string registry = RegistryDump();
    const std::wstring in = L" /ordner " + Quoted(folder.path());
    ASSERT_TRUE(EndedWith(RunConsole(L"/entfernen Alpha" + in), ExitCode::Done));
    ASSERT_TRUE(EndedWith(RunConsole(L"/entfernen Gamma /register haupt" + in), ExitCode::Done));
    std::wstring kept;
    for (const auto& [name, bytes] : FolderPicture(folder.path()))
        if (name.rfind(L"Uninstall 2", 0) == 0) kept = name;
    ASSERT_FALSE(kept.empty()) << "the first removal's restore file is kept";
    // A file that no restore takes, older than both.
    const std::wstring foreign = L"Uninstall 2020-01-02 03-04-05.reg";
    WriteFileBytes(folder.file(foreign), Utf16File(RegHead + L"[HKEY_CURRENT_USER\\Software\\Fremd]\r\n\"a\"=\"b\"\r\n\r\n"));
    {
        FileHandle f(CreateFileW(folder.file(foreign).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        const SYSTEMTIME then{2020, 1, 4, 2, 3, 4, 5, 0};
        FILETIME at{};
        ASSERT_TRUE(f && SystemTimeToFileTime(&then, &at) && SetFileTime(f.get(), nullptr, nullptr, &at));
    }
    const std::string newest = LastWritten(folder.file(L"Uninstall.reg")), older = LastWritten(folder.file(kept)),
                      oldest = LastWritten(folder.file(foreign)), keptName = Narrow(kept);
    const std::string foreignWhy = "enth\xc3\xa4lt Eintr\xc3\xa4ge au\xc3\x9f" "erhalb der Velmora-Produkte";
    struct Case {
        const char* what;
        std::wstring format;
        std::string out;
    };
    const Case cases[] = {
        {"text: the dialog's columns", L"",
         newest + "\tGamma (Hauptregister (32-Bit-Ansicht))\t1 Schl\xc3\xbcssel, 0 Werte\twiederherstellbar\tUninstall.reg\r\n"
             + older + "\tAlpha (Hauptregister), ALPHA (Benutzerregister)\t3 Schl\xc3\xbcssel, 3 Werte\twiederherstellbar\t"
             + keptName + "\r\n" + oldest + "\t-\t1 Schl\xc3\xbcssel, 1 Wert\tnicht wiederherstellbar: " + foreignWhy
             + "\tUninstall 2020-01-02 03-04-05.reg\r\n"},
        {"CSV", L" /format csv",
         "Datei,Entfernt,Produkte,Schluessel,Werte,Wiederherstellbar,Grund,Ersetzt\r\n"
         "Uninstall.reg," + newest + ",Gamma (Hauptregister (32-Bit-Ansicht)),1,0,ja,,\r\n"
             + keptName + "," + older + ",\"Alpha (Hauptregister), ALPHA (Benutzerregister)\",3,3,ja,,\r\n"
             + "Uninstall 2020-01-02 03-04-05.reg," + oldest + ",,1,1,nein," + foreignWhy + ",\r\n"},
        {"JSON", L" /format json",
         "[\r\n {\"file\":\"Uninstall.reg\",\"removedAt\":\"" + newest
             + "\",\"products\":[{\"name\":\"Gamma\",\"register\":\"Hauptregister (32-Bit-Ansicht)\"}],\"keys\":1,"
               "\"values\":0,\"restorable\":true,\"reason\":null},\r\n {\"file\":\""
             + keptName + "\",\"removedAt\":\"" + older
             + "\",\"products\":[{\"name\":\"Alpha\",\"register\":\"Hauptregister\"},{\"name\":\"ALPHA\",\"register\":"
               "\"Benutzerregister\"}],\"keys\":3,\"values\":3,\"restorable\":true,\"reason\":null},\r\n"
               " {\"file\":\"Uninstall 2020-01-02 03-04-05.reg\",\"removedAt\":\"" + oldest
             + "\",\"products\":[],\"keys\":1,\"values\":1,\"restorable\":false,\"reason\":\"" + foreignWhy
             + "\"}\r\n]\r\n"},
    };
    const auto files = FolderPicture(folder.path());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ConsoleRun run = RunConsole(L"/dateien" + c.format + in);
        EXPECT_TRUE(EndedWith(run, ExitCode::Done));
        EXPECT_EQ(run.out, c.out);
        EXPECT_TRUE(FolderPicture(folder.path()) == files) << "a listing changes no file, writes no log line";
    }

    // The name that the listing gives is the one the restore takes.
    const ConsoleRun json = RunConsole(L"/dateien /format json" + in);
    const auto named = JsonMembers(json.out, "file");
    ASSERT_EQ(named.size(), 3u);
    ASSERT_TRUE(named[0] && named[1]);
    EXPECT_TRUE(EndedWith(RunConsole(L"/wiederherstellen " + Quoted(*named[1]) + in), ExitCode::Done));
    EXPECT_TRUE(EndedWith(RunConsole(L"/wiederherstellen " + Quoted(*named[0]) + in), ExitCode::Done));
    EXPECT_EQ(RegistryDump(), registry);
}

TEST_F(Console, AKeyThatRefusesToBeReadIsFoundAndTheProductStaysWhole)
{
    SeedProducts();
    // A previous run's restore file and a leftover export: a removal that
    // goes ahead would clear the one and keep the other aside.
    WriteFileBytes(folder.file(L"Uninstall.reg"), Utf16File(RegHead));
    WriteFileBytes(folder.file(L"Uninstall_1.reg"), "leftover");
    const std::string registry = RegistryDump();
    const auto files = FolderPicture(folder.path());
    const std::wstring alpha = std::wstring(Velmora) + L"\\Alpha";
    struct Case {
        const char* what;
        HKEY root;
        std::wstring denied;
        std::wstring check; // a check that finds nothing else of the product
        std::string refused; // the key the removal names
    };
    const Case cases[] = {
        {"the product's own key", HKEY_LOCAL_MACHINE, alpha, L"/pruefen alpha /register haupt",
         "HKEY_LOCAL_MACHINE\\Software\\Velmora\\alpha"},
        {"a subkey", HKEY_LOCAL_MACHINE, alpha + L"\\Module", L"/pruefen Alpha /register haupt",
         "HKEY_LOCAL_MACHINE\\Software\\Velmora\\Alpha\\Module"},
        {"the user register's key", HKEY_CURRENT_USER, alpha, L"/pruefen Alpha /register benutzer",
         "HKEY_CURRENT_USER\\Software\\Velmora\\alpha"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        {
            DeniedKey denied(c.root, c.denied);
            ASSERT_TRUE(denied.applied());
            const ConsoleRun check = RunConsole(c.check);
            EXPECT_TRUE(EndedWith(check, ExitCode::Found));
            // Both registers: what can be read of the product stays too.
            const ConsoleRun removal = RunConsole(L"/entfernen alpha /ordner " + Quoted(folder.path()));
            EXPECT_TRUE(EndedWith(removal, ExitCode::EditorOrRights));
            EXPECT_NE(removal.err.find(c.refused), std::string::npos) << removal.err;
            EXPECT_TRUE(FolderPicture(folder.path()) == files)
                << "no restore file, no export, no log line: " << Names(FolderPicture(folder.path()));
        }
        EXPECT_EQ(RegistryDump(), registry);
    }
}

namespace {

// The kept names a removal would give the restore file it replaces during
// the next seconds.
std::vector<std::wstring> KeptNamesFromNow(int seconds)
{
    std::vector<std::wstring> names;
    SYSTEMTIME now;
    GetLocalTime(&now);
    FILETIME at;
    SystemTimeToFileTime(&now, &at);
    for (int s = 0; s <= seconds; ++s) {
        ULARGE_INTEGER t{{at.dwLowDateTime, at.dwHighDateTime}};
        t.QuadPart += ULONGLONG(s) * 10'000'000;
        const FILETIME then{t.LowPart, t.HighPart};
        SYSTEMTIME moment;
        FileTimeToSystemTime(&then, &moment);
        names.push_back(RestoreFile::KeptName(moment, 1));
    }
    return names;
}

} // namespace

// Whoever may create files in the working folder may put a link under a name
// that the program or the editor writes, pointing at a file that only the
// program's rights reach.
TEST_F(Console, NoNameInTheWorkingFolderIsWrittenThroughALink)
{
    SeedProducts();
    const std::string registry = RegistryDump();
    ScratchFolder outside;
    std::map<std::wstring, std::string> targets; // each link's far end and its bytes
    auto plant = [&](const std::wstring& name) {
        const std::wstring target = outside.file(name + L".target");
        targets[target] = "not yours: " + Narrow(name);
        WriteFileBytes(target, targets[target]);
        return MakeLink(target, folder.file(name));
    };
    for (const wchar_t* name : {RestoreFile::BackupFileName, L"Tessarine.log", RestoreFile::ExportNames[0],
                                RestoreFile::ExportNames[1], RestoreFile::ExportNames[2]})
        ASSERT_TRUE(plant(name));
    const std::wstring in = L" /ordner " + Quoted(folder.path());

    ConsoleRun run = RunConsole(L"/entfernen Alpha" + in);
    ASSERT_TRUE(EndedWith(run, ExitCode::Done));
    const std::string firstRestoreFile = ReadFileBytes(folder.file(RestoreFile::RestoreFileName));
    // The next removal moves this restore file aside under the moment's kept
    // name, which is a link by then.
    for (const std::wstring& name : KeptNamesFromNow(20)) ASSERT_TRUE(plant(name));
    run = RunConsole(L"/entfernen Gamma /register haupt" + in);
    ASSERT_TRUE(EndedWith(run, ExitCode::Done));
    std::wstring kept;
    for (const auto& [name, bytes] : FolderPicture(folder.path()))
        if (bytes == firstRestoreFile && name != RestoreFile::RestoreFileName) kept = name;
    ASSERT_NE(kept.find(L" (2).reg"), std::wstring::npos) << "kept under the next free name: " << Narrow(kept);

    run = RunConsole(L"/wiederherstellen " + Quoted(kept) + in);
    ASSERT_TRUE(EndedWith(run, ExitCode::Done));
    EXPECT_EQ(ReadFileBytes(folder.file(RestoreFile::BackupFileName)), firstRestoreFile)
        << "Uninstall.bak is a file of its own now, not the link";
    run = RunConsole(L"/wiederherstellen" + in);
    ASSERT_TRUE(EndedWith(run, ExitCode::Done));

    EXPECT_EQ(RegistryDump(), registry) << "every removal was undone";
    for (const auto& [target, bytes] : targets)
        EXPECT_EQ(ReadFileBytes(target), bytes) << "the far end of a link is byte for byte as it was: " << Narrow(target);
}

// A product removed, installed again, then the removal restored: the new
// install's values are kept in a restore file of their own, which brings
// them back.
TEST_F(Console, ARestoreOverAProductInstalledAgainKeepsWhatItOverwrites)
{
    AddProduct(HKEY_CURRENT_USER, L"Beta", L"C:\\Beta", L"2.2");
    const std::wstring in = L" /ordner " + Quoted(folder.path());
    ASSERT_TRUE(EndedWith(RunConsole(L"/entfernen Beta /register benutzer" + in), ExitCode::Done));
    AddProduct(HKEY_CURRENT_USER, L"Beta", L"C:\\Beta neu", L"9.9");
    const std::string installedAgain = RegistryDump();

    const ConsoleRun restore = RunConsole(L"/wiederherstellen" + in);
    ASSERT_TRUE(EndedWith(restore, ExitCode::Done));
    const std::string said = "Der bisherige Stand ist in ";
    const size_t at = restore.out.find(said);
    ASSERT_NE(at, std::string::npos) << restore.out;
    const std::string kept = restore.out.substr(at + said.size(), restore.out.find(" gesichert", at) - at - said.size());
    std::wstring version;
    ASSERT_TRUE(Registry::RegReadValue(HKEY_CURRENT_USER, std::wstring(Velmora) + L"\\Beta", L"Version", version));
    EXPECT_EQ(ProductRow::BeforeNul(version), L"2.2");

    ASSERT_TRUE(EndedWith(RunConsole(L"/wiederherstellen " + Quoted(std::wstring(kept.begin(), kept.end())) + in),
                          ExitCode::Done));
    EXPECT_EQ(RegistryDump(), installedAgain) << "the kept file brings the new install's values back";
}
