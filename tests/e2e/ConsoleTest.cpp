// The real Tessarine.com under Wine, started as a fleet tool starts it: no
// window, standard output and error redirected to files, judged by its exit
// code, with the real registry editor behind it.
#include "app/console/ExitCodes.h"
#include "platform/Handles.h"
#include "removal/RestoreFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sddl.h>

#include <map>
#include <set>

using namespace test;

namespace {

constexpr DWORD RunBoundMs = 120000;

struct ConsoleRun {
    bool ended = false;
    DWORD exitCode = 0;
    std::string out; // standard output, as the bytes written
    std::string err;
    std::set<HWND> windows; // top-level windows of its process, seen while it ran
};

// Every top-level window of the process.
void CollectWindows(DWORD processId, std::set<HWND>& windows)
{
    struct Seen {
        DWORD processId;
        std::set<HWND>* windows;
    } seen{processId, &windows};
    EnumWindows(
        [](HWND hwnd, LPARAM p) -> BOOL {
            auto* s = reinterpret_cast<Seen*>(p);
            DWORD pid = 0;
            GetWindowThreadProcessId(hwnd, &pid);
            if (pid == s->processId) s->windows->insert(hwnd);
            return TRUE;
        },
        LPARAM(&seen));
}

FileHandle Inheritable(const std::wstring& path, DWORD access, DWORD disposition)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return FileHandle(CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, disposition,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Runs the program with the arguments, its output going to files, and
// watches for windows of its process until it ends.
ConsoleRun RunConsole(const std::wstring& arguments, const std::wstring& program = TESSARINE_COM)
{
    ConsoleRun run;
    ScratchFolder streams;
    {
        FileHandle in = Inheritable(L"NUL", GENERIC_READ, OPEN_EXISTING);
        FileHandle out = Inheritable(streams.file(L"out.txt"), GENERIC_WRITE, CREATE_ALWAYS);
        FileHandle err = Inheritable(streams.file(L"err.txt"), GENERIC_WRITE, CREATE_ALWAYS);
        if (!in || !out || !err) return run;
        STARTUPINFOW startup{};
    startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = in.get();
        startup.hStdOutput = out.get();
        startup.hStdError = err.get();
        PROCESS_INFORMATION pi{};
        std::wstring line = L"\"" + program + L"\" " + arguments;
        if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &pi))
            return run;
        ProcessHandle thread(pi.hThread), process(pi.hProcess);
        const ULONGLONG end = GetTickCount64() + RunBoundMs;
        while (WaitForSingleObject(process.get(), 20) == WAIT_TIMEOUT) {
            CollectWindows(pi.dwProcessId, run.windows);
            if (GetTickCount64() > end) {
                TerminateProcess(process.get(), 1);
                WaitForSingleObject(process.get(), 5000);
                return run;
            }
        }
        CollectWindows(pi.dwProcessId, run.windows);
        run.ended = GetExitCodeProcess(process.get(), &run.exitCode) != FALSE;
    }
    run.out = ReadFileBytes(streams.file(L"out.txt"));
    run.err = ReadFileBytes(streams.file(L"err.txt"));
    return run;
}

std::wstring Quoted(const std::wstring& s) { return L"\"" + s + L"\""; }

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

testing::AssertionResult EndedWith(const ConsoleRun& run, int code)
{
    if (!run.ended) return testing::AssertionFailure() << "the program did not start or did not end";
    if (int(run.exitCode) != code)
        return testing::AssertionFailure() << "exit code " << run.exitCode << ", expected " << code << "\nout: " << run.out
                                           << "\nerr: " << run.err;
    if (!run.windows.empty())
        return testing::AssertionFailure() << run.windows.size() << " window(s) of the console program";
    return testing::AssertionSuccess();
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
                   Utf16File(L"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Fremd]\r\n"
                             L"\"a\"=\"b\"\r\n\r\n"));
    const std::wstring in = L" /ordner " + Quoted(folder.path());
    struct Case {
        const char* what;
        std::wstring arguments;
        int code;
        std::string out; // expected standard output; "" when only contains matters
        std::string contains;
        bool mayLog = false; // the working folder may gain its log line
    };
    const Case cases[] = {
        {"the listing of both registers, as UTF-8 with umlauts", L"/liste", ExitCode::Done,
         "Alpha\tHKEY_LOCAL_MACHINE\tC:\\Programme\\\xc3\x84pfel\t2.0\tHauptregister\r\n"
         "B\xc3\xbc" "cher\tHKEY_CURRENT_USER\tC:\\B\xc3\xbc" "cher\t1.5\tBenutzerregister\r\n"
         "Gamma\tHKEY_LOCAL_MACHINE\t<PROGRAMS>\t1.0\tHauptregister (32-Bit-Ansicht)\r\n",
         ""},
        {"the user register as CSV", L"-LISTE /Register benutzer /format CSV", ExitCode::Done,
         "Produkt,Wurzel,Register,Installationsordner,Version\r\n"
         "ALPHA,HKEY_CURRENT_USER,Benutzerregister,<PROGRAMS>,1.0\r\n"
         "B\xc3\xbc" "cher,HKEY_CURRENT_USER,Benutzerregister,C:\\B\xc3\xbc" "cher,1.5\r\n",
         ""},
        {"the main register as JSON", L"/liste /register haupt /format json", ExitCode::Done, "",
         "{\"name\":\"Gamma\",\"root\":\"HKEY_LOCAL_MACHINE\",\"register\":\"Hauptregister (32-Bit-Ansicht)\","
         "\"installDir\":\"<PROGRAMS>\",\"version\":\"1.0\"}"},
        {"a check that finds the product in another letter case", L"/pruefen alpha", ExitCode::Found, "", ""},
        {"a check of the user register that finds it", L"/pruefen Alpha /register benutzer", ExitCode::Found, "", ""},
        {"a check where the product is not", L"/pruefen Gamma /register benutzer", ExitCode::Done, "", ""},
        {"a check of an unknown product", L"/pruefen Nichts", ExitCode::Done, "", ""},
        {"a removal with nothing to remove", L"/entfernen Nichts" + in, ExitCode::Done, "", "nichts zu entfernen", true},
        {"the help with its exit codes", L"/?", ExitCode::Done, "", "69006"},
        {"a working folder that is a file", L"/liste /ordner " + Quoted(folder.file(L"kein Ordner.txt")),
         ExitCode::FolderUnusable, "", ""},
        {"a restore without a restore file", L"/wiederherstellen" + in, ExitCode::RestoreFileRefused, "", ""},
        {"a restore of a file that writes outside the products", L"/wiederherstellen /ordner " + Quoted(foreign.path()),
         ExitCode::RestoreFileRefused, "", "", true},
        {"no arguments", L"", ExitCode::BadCommandLine, "", ""},
        {"an unknown format", L"/liste /format xml", ExitCode::BadCommandLine, "", ""},
        {"a removal without a name", L"/entfernen" + in, ExitCode::BadCommandLine, "", ""},
        {"a restore file by a path", L"/wiederherstellen ..\\Uninstall.reg" + in, ExitCode::BadCommandLine, "", ""},
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
    WriteFileBytes(folder.file(L"Uninstall.reg"), Utf16File(L"Windows Registry Editor Version 5.00\r\n\r\n"));
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
