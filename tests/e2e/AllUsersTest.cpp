// Every person's user register through the real Tessarine.com, as a fleet
// tool running as SYSTEM reaches it: Anna is signed in (her hive is loaded
// by the test), Bernd is away (his NTUSER.DAT is loaded by the program and
// given back), and Clara's NTUSER.DAT is held by another process.
#include "console/ExitCodes.h"
#include "support/TestProfiles.h"
#include "support/TestSupport.h"
#include "ConsoleRun.h"

#include <gtest/gtest.h>

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
