// Every person's user register through the real Tessarine.com, as a fleet
// tool running as SYSTEM reaches it: Anna is signed in (her hive is loaded
// by the test), Bernd is away (his NTUSER.DAT is loaded by the program and
// given back), and Clara's NTUSER.DAT is held by another process.
#include "console/ExitCodes.h"
#include "support/TestProfiles.h"
#include "support/TestSupport.h"
#include "ConsoleRun.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace test;

namespace {

std::string ProductKey(const std::wstring& sid, const std::wstring& product)
{
    return Narrow(L"HKEY_USERS\\" + sid + L"\\Software\\Velmora\\" + product);
}

std::string Label(const std::wstring& name, const std::wstring& sid)
{
    return Narrow(L"Benutzerregister (" + name + L", " + sid + L")");
}

// The label as a CSV field: it holds a comma, so it is quoted.
std::string CsvLabel(const std::wstring& name, const std::wstring& sid) { return "\"" + Label(name, sid) + "\""; }

const std::wstring Bernd = L"Bernd J\u00fcrgens";

// Whether the hives are as the test left them: Anna's loaded, nobody else's.
testing::AssertionResult HivesAsBefore()
{
    if (!HiveThere(AnnaSid)) return testing::AssertionFailure() << "Anna's hive went";
    for (const wchar_t* sid : {BerndSid, ClaraSid})
        if (HiveThere(sid)) return testing::AssertionFailure() << "a hive stays loaded: " << Narrow(sid);
    return testing::AssertionSuccess();
}

} // namespace

TEST(AllUsers, ListAndCheckNameEveryPersonAndTheOneThatCannotBeReached)
{
    CleanVelmora clean;
    AddProduct(HKEY_LOCAL_MACHINE, L"Alpha", L"C:\\Programme\\Alpha", L"1.0");
    MachineProfiles machine(ThreePeople({L"Alpha", L"Beta"}, {L"Alpha"}, {L"Alpha"}));
    ASSERT_TRUE(machine.ready());
    const std::string clara = Label(L"Clara", ClaraSid) + ": nicht erreichbar - NTUSER.DAT wird von einem anderen "
                                                          "Prozess gehalten (Fehler 32).\r\n";
    struct Row {
        const char* what;
        std::wstring arguments;
        int code;
        std::vector<std::string> out;   // each is in standard output
        std::vector<std::string> notOut; // none is
        bool claraNamed = true;
    };
    const Row rows[] = {
        {"every place as CSV, the main register with them", L"/liste /alle-benutzer /format csv",
         ExitCode::ProfileUnreachable,
         {"Alpha," + CsvLabel(L"Anna", AnnaSid) + "," + ProductKey(AnnaSid, L"Alpha") + ",C:\\Users\\Anna\\Alpha,3.1,\r\n",
          "Beta," + CsvLabel(L"Anna", AnnaSid) + "," + ProductKey(AnnaSid, L"Beta") + ",",
          "Alpha," + CsvLabel(Bernd, BerndSid) + "," + ProductKey(BerndSid, L"Alpha") + ",",
          "Alpha,Hauptregister,HKEY_LOCAL_MACHINE\\Software\\Velmora\\Alpha,C:\\Programme\\Alpha,1.0,\r\n"},
         {ProductKey(ClaraSid, L"Alpha"), "HKEY_CURRENT_USER"}},
        {"the people's rows as text, user registers only", L"/liste /alle-benutzer /register benutzer",
         ExitCode::ProfileUnreachable,
         {"Alpha\tHKEY_USERS\\" + Narrow(BerndSid) + "\tC:\\Users\\" + Narrow(Bernd) + "\\Alpha\t3.1\t"
              + Label(Bernd, BerndSid) + "\r\n",
          "Beta\tHKEY_USERS\\" + Narrow(AnnaSid) + "\tC:\\Users\\Anna\\Beta\t3.1\t" + Label(L"Anna", AnnaSid) + "\r\n"},
         {"HKEY_LOCAL_MACHINE", "Hauptregister"}},
        {"as JSON", L"/liste /alle-benutzer /register benutzer /format json", ExitCode::ProfileUnreachable,
         {"{\"name\":\"Alpha\",\"register\":\"" + Label(Bernd, BerndSid) + "\",\"key\":\"HKEY_USERS\\\\"
              + Narrow(BerndSid) + "\\\\Software\\\\Velmora\\\\Alpha\""},
         {}},
        {"found in one person's register", L"/pruefen Beta /alle-benutzer", ExitCode::Found,
         {"Beta: gefunden (" + Label(L"Anna", AnnaSid) + ").\r\n"}, {}},
        {"found in the main register and two people's", L"/pruefen alpha /alle-benutzer", ExitCode::Found,
         {"alpha: gefunden (Hauptregister, " + Label(L"Anna", AnnaSid) + ", " + Label(Bernd, BerndSid) + ").\r\n"},
         {}},
        {"found nowhere, but one person could not be looked into", L"/pruefen Gamma /alle-benutzer",
         ExitCode::ProfileUnreachable, {"Gamma: nicht gefunden.\r\n"}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const ConsoleRun run = RunConsole(row.arguments);
        EXPECT_TRUE(EndedWith(run, row.code));
        for (const std::string& part : row.out) EXPECT_NE(run.out.find(part), std::string::npos) << part << "\nin:\n" << run.out;
        for (const std::string& part : row.notOut) EXPECT_EQ(run.out.find(part), std::string::npos) << part;
        EXPECT_EQ(run.err.find(clara) != std::string::npos, row.claraNamed) << run.err;
        EXPECT_TRUE(HivesAsBefore());
    }

    // Once Clara's file is free, her register is looked into, and a product
    // that nobody has is nothing to do.
    machine.release(2);
    ConsoleRun run = RunConsole(L"/pruefen Gamma /alle-benutzer");
    EXPECT_TRUE(EndedWith(run, ExitCode::Done));
    EXPECT_EQ(run.err, "");
    run = RunConsole(L"/liste /alle-benutzer /register benutzer /format csv");
    EXPECT_TRUE(EndedWith(run, ExitCode::Done));
    EXPECT_NE(run.out.find("Alpha," + CsvLabel(L"Clara", ClaraSid) + "," + ProductKey(ClaraSid, L"Alpha")), std::string::npos)
        << run.out;
    EXPECT_FALSE(HiveThere(ClaraSid));
}

namespace {

// The restore file's text, as the editor reads it (UTF-16 behind its mark).
std::wstring RestoreText(const std::wstring& folder)
{
    const std::string bytes = ReadFileBytes(folder + L"\\Uninstall.reg");
    if (bytes.size() < 2) return {};
    std::wstring text((bytes.size() - 2) / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), bytes.data() + 2, text.size() * sizeof(wchar_t));
    return text;
}

std::wstring KeyLine(const std::wstring& sid, const std::wstring& product)
{
    return L"[HKEY_USERS\\" + sid + L"\\Software\\Velmora\\" + product + L"]";
}

bool PersonsKeyThere(const std::wstring& sid, const std::wstring& product)
{
    return KeyExists(HKEY_USERS, sid + L"\\Software\\Velmora\\" + product);
}

} // namespace

TEST(AllUsers, RemovalTakesEachReachablePersonsKeysAndLeavesTheHeldOneAsItWas)
{
    CleanVelmora clean;
    AddProduct(HKEY_LOCAL_MACHINE, L"Alpha", L"C:\\Programme\\Alpha", L"1.0");
    MachineProfiles machine(ThreePeople({L"Alpha", L"Beta"}, {L"Alpha"}, {L"Alpha"}));
    ASSERT_TRUE(machine.ready());
    ScratchFolder folder;
    const std::wstring in = L" /ordner " + Quoted(folder.path());
    const std::string clara = Label(L"Clara", ClaraSid) + ": nicht erreichbar - NTUSER.DAT wird von einem anderen "
                                                          "Prozess gehalten (Fehler 32).\r\n";
    WriteFileBytes(folder.file(L"kein Ordner"), "a file");

    // What a preview or a refused removal leaves: every key, no file, no hive of the program's.
    struct Row {
        const char* what;
        std::wstring arguments;
        int code;
        std::vector<std::string> out;
        std::vector<std::string> notOut;
        bool claraNamed = true; // a refusal before the removal tells only why
    };
    const Row untouched[] = {
        {"a preview names each person's keys", L"/entfernen alpha /alle-benutzer /vorschau" + in,
         ExitCode::ProfileUnreachable,
         {ProductKey(AnnaSid, L"Alpha") + "\t2 Werte\r\n", ProductKey(BerndSid, L"Alpha") + "\t2 Werte\r\n",
          "HKEY_LOCAL_MACHINE\\Software\\Velmora\\Alpha\t2 Werte\r\n",
          Label(L"Anna", AnnaSid) + ": 1 Schl\xc3\xbc" "ssel, 2 Werte\r\n",
          Label(Bernd, BerndSid) + ": 1 Schl\xc3\xbc" "ssel, 2 Werte\r\n"},
         {ProductKey(ClaraSid, L"Alpha"), ProductKey(AnnaSid, L"Beta")}},
        {"a preview of the user registers alone", L"/entfernen Alpha /alle-benutzer /register benutzer /vorschau",
         ExitCode::ProfileUnreachable, {ProductKey(BerndSid, L"Alpha") + "\t2 Werte\r\n"}, {"HKEY_LOCAL_MACHINE"}},
        {"nobody reached has it", L"/entfernen Gamma /alle-benutzer /register benutzer" + in,
         ExitCode::ProfileUnreachable, {"Gamma: kein Schl\xc3\xbc" "ssel im gew\xc3\xa4hlten Register, nichts zu entfernen.\r\n"},
         {}},
        {"a working folder that is a file, after the people were looked into",
         L"/entfernen Alpha /alle-benutzer /ordner " + Quoted(folder.file(L"kein Ordner")), ExitCode::FolderUnusable, {}, {}, false},
    };
    for (const Row& row : untouched) {
        SCOPED_TRACE(row.what);
        const ConsoleRun run = RunConsole(row.arguments);
        EXPECT_TRUE(EndedWith(run, row.code)) << run.err;
        for (const std::string& part : row.out) EXPECT_NE(run.out.find(part), std::string::npos) << part << "\nin:\n" << run.out;
        for (const std::string& part : row.notOut) EXPECT_EQ(run.out.find(part), std::string::npos) << part;
        EXPECT_EQ(run.err.find(clara) != std::string::npos, row.claraNamed) << run.err;
        EXPECT_TRUE(HivesAsBefore());
        EXPECT_TRUE(PersonsKeyThere(AnnaSid, L"Alpha"));
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Velmora\\Alpha"));
        EXPECT_FALSE(FileThere(folder.file(L"Uninstall.reg")));
        EXPECT_FALSE(FileThere(folder.file(L"Tessarine.log")));
    }

    // A removal that fails after it loaded Bernd's hive (a leftover that
    // cannot be cleared, a folder under the new restore file's name) gives
    // it back all the same.
    {
        ScratchFolder taken;
        ASSERT_TRUE(CreateDirectoryW(taken.file(L"Uninstall.tmp").c_str(), nullptr));
        WriteFileBytes(taken.file(L"Uninstall.tmp\\inside"), "someone else's");
        const ConsoleRun failed = RunConsole(L"/entfernen Alpha /alle-benutzer /register benutzer /ordner " + Quoted(taken.path()));
        EXPECT_TRUE(EndedWith(failed, ExitCode::FolderUnusable)) << failed.err;
        EXPECT_NE(failed.err.find("konnten nicht gel\xc3\xb6scht werden; nichts wurde entfernt."), std::string::npos) << failed.err;
        EXPECT_NE(failed.err.find(clara), std::string::npos) << failed.err;
        EXPECT_TRUE(HivesAsBefore());
        EXPECT_TRUE(PersonsKeyThere(AnnaSid, L"Alpha"));
        EXPECT_FALSE(FileThere(taken.file(L"Uninstall.reg")));
        (void)DeleteFileW(taken.file(L"Uninstall.tmp\\inside").c_str()); // the scratch folder's cleanup tells what stays
        (void)RemoveDirectoryW(taken.file(L"Uninstall.tmp").c_str());
    }

    // The removal: Anna's key goes from her loaded register, Bernd's from the
    // hive the program loads; Wine does not write his hive back, so his
    // removal is judged by the restore file and the output. Clara is named
    // and keeps hers; the main register is not in the scope.
    const ConsoleRun run = RunConsole(L"/entfernen Alpha /alle-benutzer /register benutzer" + in);
    EXPECT_TRUE(EndedWith(run, ExitCode::ProfileUnreachable)) << run.err;
    EXPECT_NE(run.out.find(Label(L"Anna", AnnaSid) + ": " + ProductKey(AnnaSid, L"Alpha") + " entfernt\r\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(Label(Bernd, BerndSid) + ": " + ProductKey(BerndSid, L"Alpha") + " entfernt\r\n"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("Clara"), std::string::npos) << run.out;
    EXPECT_EQ(run.err, clara);
    EXPECT_FALSE(PersonsKeyThere(AnnaSid, L"Alpha"));
    EXPECT_TRUE(PersonsKeyThere(AnnaSid, L"Beta"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Velmora\\Alpha"));
    EXPECT_TRUE(HivesAsBefore());
    const std::wstring restore = RestoreText(folder.path());
    EXPECT_NE(restore.find(KeyLine(AnnaSid, L"Alpha")), std::wstring::npos) << Narrow(restore);
    EXPECT_NE(restore.find(KeyLine(BerndSid, L"Alpha")), std::wstring::npos) << Narrow(restore);
    EXPECT_NE(restore.find(L"\"InstallDir\"=\"C:\\\\Users\\\\Anna\\\\Alpha\""), std::wstring::npos) << Narrow(restore);
    for (const std::wstring& absent : {KeyLine(ClaraSid, L"Alpha"), KeyLine(AnnaSid, L"Beta"), std::wstring(L"HKEY_LOCAL_MACHINE")})
        EXPECT_EQ(restore.find(absent), std::wstring::npos) << Narrow(absent);
    const std::string log = ReadFileBytes(folder.file(L"Tessarine.log"));
    for (const wchar_t* sid : {AnnaSid, BerndSid, ClaraSid}) EXPECT_NE(log.find(Narrow(sid)), std::string::npos) << log;

    // The restore files list names each person's register by the profile's folder.
    const ConsoleRun files = RunConsole(L"/dateien" + in);
    EXPECT_TRUE(EndedWith(files, ExitCode::Done));
    EXPECT_NE(files.out.find("Alpha (Benutzerregister (Anna)), Alpha (Benutzerregister (" + Narrow(Bernd) + "))"),
              std::string::npos) << files.out;

    // The restore brings each person's keys back into that person's
    // register: Anna's judged in her loaded register; Bernd's hive is loaded
    // for the import and its check, and given back.
    const ConsoleRun restored = RunConsole(L"/wiederherstellen" + in);
    EXPECT_TRUE(EndedWith(restored, ExitCode::Done)) << restored.err;
    EXPECT_TRUE(PersonsKeyThere(AnnaSid, L"Alpha"));
    wchar_t dir[MAX_PATH] = {};
    DWORD bytes = sizeof(dir);
    EXPECT_EQ(RegGetValueW(HKEY_USERS, (std::wstring(AnnaSid) + L"\\Software\\Velmora\\Alpha").c_str(), L"InstallDir",
                           RRF_RT_REG_SZ, nullptr, dir, &bytes),
              ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(dir), L"C:\\Users\\Anna\\Alpha");
    EXPECT_FALSE(FileThere(folder.file(L"Uninstall.reg")));
    EXPECT_TRUE(FileThere(folder.file(L"Uninstall.bak")));
    EXPECT_TRUE(HivesAsBefore());

    // A file for a person the machine has no profile of, for one whose hive is
    // held, or for anything else below HKEY_USERS is refused before the editor
    // starts, and stays.
    const struct {
        const char* what;
        std::wstring key;
        std::string err; // in the error stream
    } refused[] = {
        {"a profile that is gone", L"HKEY_USERS\\S-1-5-21-1000-2000-3000-1099\\Software\\Velmora\\Alpha",
         "S-1-5-21-1000-2000-3000-1099: kein Benutzerprofil dieses Rechners"},
        {"a profile whose hive is held", L"HKEY_USERS\\" + std::wstring(ClaraSid) + L"\\Software\\Velmora\\Alpha",
         "Clara, " + Narrow(ClaraSid) + ": NTUSER.DAT wird von einem anderen Prozess gehalten (Fehler 32)"},
        {"a service's own hive", L"HKEY_USERS\\S-1-5-18\\Software\\Velmora\\Alpha", "Uninstall.reg"},
        {"the template of new profiles", L"HKEY_USERS\\.DEFAULT\\Software\\Velmora\\Alpha", "Uninstall.reg"},
        {"beside the product root of a person", L"HKEY_USERS\\" + std::wstring(AnnaSid) + L"\\Software\\Andere\\Alpha",
         "Uninstall.reg"},
    };
    for (const auto& row : refused) {
        SCOPED_TRACE(row.what);
        const std::string bytes = Utf16File(std::wstring(RegHeader) + L"\r\n\r\n[" + row.key + L"]\r\n\"V\"=\"1\"\r\n\r\n");
        WriteFileBytes(folder.file(L"Uninstall.reg"), bytes);
        const ConsoleRun refusal = RunConsole(L"/wiederherstellen" + in);
        EXPECT_TRUE(EndedWith(refusal, ExitCode::RestoreFileRefused)) << refusal.err;
        EXPECT_NE(refusal.err.find(row.err), std::string::npos) << refusal.err;
        EXPECT_EQ(ReadFileBytes(folder.file(L"Uninstall.reg")), bytes);
        EXPECT_FALSE(HiveThere(L"S-1-5-21-1000-2000-3000-1099"));
        EXPECT_FALSE(KeyExists(HKEY_USERS, L"S-1-5-18\\Software\\Velmora\\Alpha"));
        EXPECT_FALSE(KeyExists(HKEY_USERS, std::wstring(AnnaSid) + L"\\Software\\Andere"));
        EXPECT_TRUE(HivesAsBefore());
    }

    // Clara's register, free again, still holds her key.
    machine.release(2);
    const ConsoleRun check = RunConsole(L"/pruefen Alpha /alle-benutzer /register benutzer");
    EXPECT_TRUE(EndedWith(check, ExitCode::Found));
    EXPECT_NE(check.out.find(Label(L"Clara", ClaraSid)), std::string::npos) << check.out;
    EXPECT_FALSE(HiveThere(ClaraSid));
}
