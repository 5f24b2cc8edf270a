// The removal and the restore as operations: no window, no message box;
// what they did is told by their outcome and shown by the registry.
#include "WindowFixture.h"

#include "catalogue/ProductRow.h"
#include "platform/Registry.h"
#include "removal/OperationLog.h"
#include "removal/Overwritten.h"
#include "removal/Removal.h"
#include "removal/Restore.h"

using namespace test;

namespace {

const std::wstring Alpha = L"Software\\Velmora\\Alpha";

// How the editor behaves for a command line: the real one, a stand-in mode,
// or "" for one that cannot be started.
using Editor = std::function<const wchar_t*(const std::wstring& commandLine)>;

struct Operations : ::testing::Test {
    RegistryEditor::Seams Seams(const Editor& editor)
    {
        RegistryEditor::Seams seams = RegistryEditor::ConsoleSeams();
        seams.start = [this, editor](const std::wstring& line, int show) {
            ++starts;
            const wchar_t* mode = editor(line);
            if (!*mode) return ProcessHandle();
            return std::wstring(mode) == L"real" ? RegistryEditor::Start(line, show) : StartStandIn(mode, line, show);
        };
        seams.timeoutSeconds = 30;
        return seams;
    }
    CleanVelmora clean;
    ScratchFolder folder;
    RestoreFile::Paths paths = RestoreFile::PathsIn(folder.path());
    int starts = 0;
};

Editor Always(const wchar_t* mode) { return [mode](const std::wstring&) { return mode; }; }

// The file's fingerprint as a list takes it: through the handle that read it.
testing::AssertionResult FingerprintOf(const std::wstring& file, RestoreFile::Fingerprint& fingerprint)
{
    const FileHandle held = RestoreFile::OpenHeld(file);
    std::string bytes;
    if (!held || !RestoreFile::ReadBytes(held.get(), bytes) || !RestoreFile::FingerprintOf(held.get(), bytes, fingerprint))
        return testing::AssertionFailure() << "no fingerprint of " << Narrow(file);
    return testing::AssertionSuccess();
}

} // namespace

TEST_F(Operations, ARemovalTellsWhatItDidAndDeletesOnlyWhatIsBackedUp)
{
    struct Case {
        const char* what;
        bool inMain;
        Editor editor;
        Removal::Result result;
        bool mainStays, userStays, restoreFile;
    };
    // The main register's export fails, the user register's does not.
    const Editor mainFails = [](const std::wstring& line) {
        return line.find(L"HKEY_LOCAL_MACHINE") != std::wstring::npos ? L"fail" : L"real";
    };
    const std::vector<Case> cases{
        {"done", true, Always(L"real"), Removal::Result::Removed, false, false, true},
        {"no export written", false, Always(L"nothing"), Removal::Result::Incomplete, false, true, false},
        {"partly", true, mainFails, Removal::Result::Incomplete, true, false, true},
        {"editor missing", true, Always(L""), Removal::Result::Incomplete, true, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CleanVelmora fresh;
        ScratchFolder working;
        if (c.inMain) AddProduct(HKEY_LOCAL_MACHINE, L"Alpha", L"C:\\Alpha", L"2.0");
        AddProduct(HKEY_CURRENT_USER, L"Alpha", L"C:\\User\\Alpha");
        const Removal::Outcome outcome = Removal::Remove({L"Alpha", 0, working.path()}, Seams(c.editor));
        EXPECT_EQ(outcome.result, c.result);
        EXPECT_EQ(KeyExists(HKEY_LOCAL_MACHINE, Alpha), c.mainStays);
        EXPECT_EQ(KeyExists(HKEY_CURRENT_USER, Alpha), c.userStays);
        EXPECT_EQ(FileThere(working.file(L"Uninstall.reg")), c.restoreFile);
        // Each place says what became of its key, and the message names
        // every key that stays.
        const auto& user = outcome.registers[2];
        EXPECT_EQ(user.deletion == KeyRemoval::Deletion::Deleted, !c.userStays);
        for (const auto& r : outcome.registers)
            if (r.inScope && r.found() && r.deletion != KeyRemoval::Deletion::Deleted)
                EXPECT_NE(Removal::Message(outcome).find(r.label), std::wstring::npos) << Narrow(r.label);
        EXPECT_EQ(Removal::Warns(outcome), c.result != Removal::Result::Removed);
    }
}

TEST_F(Operations, ARemovalOfNothingOrOfNoProductTouchesNothing)
{
    AddProduct(HKEY_CURRENT_USER, L"Alpha");
    AddProduct(HKEY_CURRENT_USER, L"Alpha\\Sub");
    const std::string before = RegistryDump();
    const std::vector<std::pair<std::wstring, Removal::Result>> cases{
        {L"Beta", Removal::Result::NothingFound},
        {L"", Removal::Result::NoName},
        {L"Al\"pha", Removal::Result::UnsafeName},
        {L"Alpha\\Sub", Removal::Result::NotAProduct},
    };
    for (const auto& [name, result] : cases) {
        EXPECT_EQ(Removal::Remove({name, 0, folder.path()}, Seams(Always(L"real"))).result, result) << Narrow(name);
        EXPECT_EQ(RegistryDump(), before) << Narrow(name);
    }
    EXPECT_EQ(starts, 0) << "no editor runs for a product that is not there";
    EXPECT_FALSE(FileThere(paths.restore));
}

TEST_F(Operations, ARemovalOfAProductThatCannotBeReadWholeTouchesNothingAndSaysWhichKey)
{
    AddProduct(HKEY_CURRENT_USER, L"Alpha");
    AddProduct(HKEY_CURRENT_USER, L"Alpha\\Sub");
    WriteFileBytes(paths.userExport, "leftover");
    KeyHandle sub;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, (Alpha + L"\\Sub").c_str(), 0, WRITE_DAC, sub.put()), ERROR_SUCCESS);
    SECURITY_DESCRIPTOR nobody;
    ASSERT_TRUE(InitializeSecurityDescriptor(&nobody, SECURITY_DESCRIPTOR_REVISION));
    ACL empty;
    ASSERT_TRUE(InitializeAcl(&empty, sizeof empty, ACL_REVISION));
    ASSERT_TRUE(SetSecurityDescriptorDacl(&nobody, TRUE, &empty, FALSE));
    ASSERT_EQ(RegSetKeySecurity(sub.get(), DACL_SECURITY_INFORMATION, &nobody), ERROR_SUCCESS);

    const Removal::Outcome outcome = Removal::Remove({L"Alpha", 0, folder.path()}, Seams(Always(L"real")));
    EXPECT_EQ(outcome.result, Removal::Result::Unreadable);
    EXPECT_EQ(Removal::Message(outcome),
              L"Die Eintr\u00e4ge k\u00f6nnen nicht vollst\u00e4ndig gelesen werden.   \n"
              L"Benutzerregister: Der Schl\u00fcssel ''HKEY_CURRENT_USER\\Software\\Velmora\\Alpha\\Sub'' "
              L"verweigert das Lesen.\nEs wurde nichts entfernt.");
    EXPECT_TRUE(Removal::Warns(outcome));
    EXPECT_EQ(starts, 0) << "no export is started";
    EXPECT_EQ(ReadFileBytes(paths.userExport), "leftover") << "not even a leftover is cleared";
    EXPECT_FALSE(FileThere(paths.restore));
    EXPECT_FALSE(FileThere(folder.file(OperationLog::FileName)));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Alpha));

    // Let the clean-up at the end read and delete it again.
    SECURITY_DESCRIPTOR everyone;
    ASSERT_TRUE(InitializeSecurityDescriptor(&everyone, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(SetSecurityDescriptorDacl(&everyone, FALSE, nullptr, FALSE));
    EXPECT_EQ(RegSetKeySecurity(sub.get(), DACL_SECURITY_INFORMATION, &everyone), ERROR_SUCCESS);
}

TEST_F(Operations, AsAServiceAccountTheUserRegistersLinesAreRefusedBeforeTheEditorStarts)
{
    AddProduct(HKEY_CURRENT_USER, L"Alpha", L"C:\\User\\Alpha", L"3.0");
    AddProduct(HKEY_LOCAL_MACHINE, L"Beta", L"C:\\Beta", L"1.0");
    ScratchFolder userFolder, mainFolder;
    const RestoreFile::Paths user = RestoreFile::PathsIn(userFolder.path()), main = RestoreFile::PathsIn(mainFolder.path());
    ASSERT_EQ(Removal::Remove({L"Alpha", 1, userFolder.path()}, Seams(Always(L"real"))).result, Removal::Result::Removed);
    ASSERT_EQ(Removal::Remove({L"Beta", 2, mainFolder.path()}, Seams(Always(L"real"))).result, Removal::Result::Removed);
    const std::string userFile = ReadFileBytes(user.restore), mainFile = ReadFileBytes(main.restore);

    struct Case {
        const char* what;
        const RestoreFile::Paths& paths;
        const std::wstring& folder;
        bool service;
        Restore::Result result;
        bool mainDenied = false; // the account may not change the main register
    };
    const Case cases[] = {
        {"the user register's file as a service account", user, userFolder.path(), true,
         Restore::Result::PersonsRegister},
        {"the main register's file without the rights on it", main, mainFolder.path(), false,
         Restore::Result::MainRegisterDenied, true},
        {"the main register's file as a service account", main, mainFolder.path(), true, Restore::Result::Done},
        {"the user register's file as a person", user, userFolder.path(), false, Restore::Result::Done},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string before = RegistryDump();
        const std::string log = ReadFileBytes(c.folder + L"\\" + OperationLog::FileName);
        const int startsBefore = starts;
        const Restore::Outcome outcome =
            Restore::Run({c.paths.restore, c.folder, std::nullopt, [&] { return c.service; },
                          [&] { return c.mainDenied; }},
                         Seams(Always(L"real")));
        EXPECT_EQ(outcome.result, c.result);
        if (c.result != Restore::Result::Done) {
            EXPECT_EQ(starts, startsBefore) << "the editor never starts";
            EXPECT_EQ(RegistryDump(), before);
            EXPECT_EQ(ReadFileBytes(c.paths.restore), &c.paths == &user ? userFile : mainFile)
                << "the file stays as it was";
        }
        if (c.result == Restore::Result::PersonsRegister)
            EXPECT_NE(Restore::Message(outcome).find(L"Register einer Person"), std::wstring::npos);
        if (c.result == Restore::Result::MainRegisterDenied)
            EXPECT_EQ(ReadFileBytes(c.folder + L"\\" + OperationLog::FileName), log)
                << "only looked at: the console says why, and the log keeps no line";
    }
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Alpha));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Velmora\\Beta"));
}

TEST_F(Operations, ARestoreTellsWhatItDidAndImportsOnlyWhatPassedItsChecks)
{
    AddProduct(HKEY_CURRENT_USER, L"Alpha", L"C:\\User\\Alpha", L"3.0");
    AddProduct(HKEY_LOCAL_MACHINE, L"Beta");
    const std::string seeded = RegistryDump();
    ASSERT_EQ(Removal::Remove({L"Alpha", 1, folder.path()}, Seams(Always(L"real"))).result, Removal::Result::Removed);
    const std::string backup = ReadFileBytes(paths.restore);
    const std::string removed = RegistryDump();

    // What a list showed of the file before the restore: nothing (no list),
    // the file as it is, another file with the same bytes that took its
    // name, or the same file before it was rewritten in place.
    enum class Listed { None, AsItIs, Replaced, RewrittenInPlace };
    struct Case {
        const char* what;
        std::string file;
        Editor editor;
        Listed listed;
        Restore::Result result;
    };
    const std::string foreign = Utf16File(RegHead
                                          + L"[HKEY_CURRENT_USER\\Software\\Other]\r\n\"x\"=\"y\"\r\n\r\n");
    const std::vector<Case> cases{
        {"foreign file", foreign, Always(L"real"), Listed::None, Restore::Result::Foreign},
        {"unreadable file", "rubbish", Always(L"real"), Listed::None, Restore::Result::NotRead},
        {"editor missing", backup, Always(L""), Listed::None, Restore::Result::EditorNotStarted},
        {"editor imports nothing", backup, Always(L"nothing"), Listed::None, Restore::Result::NotRestored},
        {"another file with the same bytes under the name listed", backup, Always(L"real"), Listed::Replaced,
         Restore::Result::Changed},
        {"the file listed, rewritten in place", backup, Always(L"real"), Listed::RewrittenInPlace,
         Restore::Result::Changed},
        {"done, the file as listed", backup, Always(L"real"), Listed::AsItIs, Restore::Result::Done},
    };
    const std::wstring elsewhere = folder.file(L"Anderswo.reg");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::optional<RestoreFile::Fingerprint> listed;
        RestoreFile::Fingerprint seen;
        switch (c.listed) {
        case Listed::None:
        case Listed::AsItIs: break;
        case Listed::Replaced:
            // Kept beside, so that the name's new file cannot take its index.
            WriteFileBytes(elsewhere, c.file);
            ASSERT_TRUE(FingerprintOf(elsewhere, seen));
            listed = seen;
            break;
        case Listed::RewrittenInPlace:
            WriteFileBytes(paths.restore, foreign);
            ASSERT_TRUE(FingerprintOf(paths.restore, seen));
            listed = seen;
            break;
        }
        WriteFileBytes(paths.restore, c.file);
        RestoreFile::Fingerprint now;
        ASSERT_TRUE(FingerprintOf(paths.restore, now));
        if (c.listed == Listed::AsItIs) listed = now;
        // Each refusal has one cause: the file's identity, or its bytes.
        if (c.listed == Listed::Replaced) {
            ASSERT_NE(now.index, seen.index) << "another file";
            ASSERT_EQ(now.digest, seen.digest) << "the same bytes";
        }
        if (c.listed == Listed::RewrittenInPlace) {
            ASSERT_EQ(now.volume, seen.volume) << "the same file";
            ASSERT_EQ(now.index, seen.index) << "the same file";
            ASSERT_NE(now.digest, seen.digest) << "other bytes";
        }
        const Restore::Outcome outcome = Restore::Run({paths.restore, folder.path(), listed}, Seams(c.editor));
        EXPECT_EQ(outcome.result, c.result);
        const bool done = c.result == Restore::Result::Done;
        EXPECT_EQ(RegistryDump(), done ? seeded : removed) << "all is back, or nothing is written";
        EXPECT_EQ(FileThere(paths.restore), !done) << "the file stays unless it was restored";
        EXPECT_EQ(Restore::Message(outcome).empty(), done);
        if (done) EXPECT_EQ(ReadFileBytes(paths.backup), backup);
    }
}

TEST_F(Operations, APreviewNamesEveryKeyWithItsValuesInEachPlaceOfTheScope)
{
    AddProduct(HKEY_LOCAL_MACHINE, L"Alpha", L"C:\\Alpha", nullptr, KEY_WOW64_32KEY);
    SetDword(HKEY_LOCAL_MACHINE, Velmora32 + std::wstring(L"\\Alpha\\Sub"), L"n", 1, KEY_WOW64_32KEY);
    SetDword(HKEY_LOCAL_MACHINE, Velmora32 + std::wstring(L"\\Alpha\\Sub"), L"m", 2, KEY_WOW64_32KEY);
    AddProduct(HKEY_CURRENT_USER, L"ALPHA", L"C:\\User\\Alpha", L"2.0");
    const std::string before = RegistryDump();
    struct Case {
        int scope;
        std::vector<std::pair<std::wstring, size_t>> keys; // every key in scope, as the editor names it
        std::wstring lines;
    };
    const std::wstring main32 = L"HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Velmora\\Alpha";
    const std::wstring user = L"HKEY_CURRENT_USER\\Software\\Velmora\\ALPHA";
    const std::vector<Case> cases{
        {0, {{main32, 1}, {main32 + L"\\Sub", 2}, {user, 2}},
         L"Hauptregister: nichts\nHauptregister (32-Bit-Ansicht): 2 Schl\u00fcssel, 3 Werte\n"
         L"Benutzerregister: 1 Schl\u00fcssel, 2 Werte"},
        {1, {{user, 2}}, L"Benutzerregister: 1 Schl\u00fcssel, 2 Werte"},
        {2, {{main32, 1}, {main32 + L"\\Sub", 2}},
         L"Hauptregister: nichts\nHauptregister (32-Bit-Ansicht): 2 Schl\u00fcssel, 3 Werte"},
    };
    for (const auto& c : cases) {
        const auto places = Removal::Preview(L"alpha", c.scope);
        std::vector<std::pair<std::wstring, size_t>> keys;
        for (const auto& place : places)
            for (const auto& key : place.keys) keys.emplace_back(key.fullKeyName, key.values);
        EXPECT_EQ(keys, c.keys) << "scope " << c.scope;
        EXPECT_EQ(Removal::PreviewLines(places), c.lines) << "scope " << c.scope;
    }
    EXPECT_EQ(RegistryDump(), before);
    EXPECT_EQ(starts, 0);
}

// A product installed again after its removal: the restore would replace
// the new install's values, so their state is kept first, or nothing goes in.
TEST_F(Operations, ARestoreOverAProductThereNowKeepsItsStateFirstOrImportsNothing)
{
    AddProduct(HKEY_CURRENT_USER, L"Alpha", L"C:\\User\\Alpha", L"3.0");
    ASSERT_EQ(Removal::Remove({L"Alpha", 1, folder.path()}, Seams(Always(L"real"))).result, Removal::Result::Removed);
    const std::string backup = ReadFileBytes(paths.restore);
    AddProduct(HKEY_CURRENT_USER, L"ALPHA", L"C:\\Neu", L"9.9");
    SetString(HKEY_CURRENT_USER, Alpha + L"\\Modul", L"Neu", L"ja");
    const std::string installedAgain = RegistryDump();

    const std::wstring question = Restore::Question(RestoreFile::RestoreFileName, Overwritten::Existing(RegFile::Read(backup)));
    EXPECT_NE(question.find(L"\nALPHA (Benutzerregister)"), std::wstring::npos)
        << "the question names what will be overwritten, as the registry spells it: " << Narrow(question);

    auto exports = [](const wchar_t* mode) {
        return [mode](const std::wstring& line) { return line.find(L" /e ") != std::wstring::npos ? mode : L"real"; };
    };
    struct Case {
        const char* what;
        Editor editor;
        Restore::Result result;
    };
    const Case cases[] = {
        {"the export of what is there fails", exports(L"fail"), Restore::Result::CurrentNotKept},
        {"the export of what is there loses values", exports(L"drop-values"), Restore::Result::CurrentNotKept},
        {"what is there is kept, then the file goes in", Always(L"real"), Restore::Result::Done},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        starts = 0;
        const Restore::Outcome outcome = Restore::Run({paths.restore, folder.path(), std::nullopt}, Seams(c.editor));
        EXPECT_EQ(outcome.result, c.result);
        if (c.result != Restore::Result::Done) {
            EXPECT_EQ(RegistryDump(), installedAgain) << "nothing is imported";
            EXPECT_EQ(ReadFileBytes(paths.restore), backup) << "the file stays";
            EXPECT_TRUE(outcome.keptCurrent.empty());
            EXPECT_EQ(starts, 1) << "the export ran, the import did not";
            continue;
        }
        std::wstring version;
        ASSERT_TRUE(Registry::RegReadValue(HKEY_CURRENT_USER, Alpha, L"Version", version));
        EXPECT_EQ(ProductRow::BeforeNul(version), L"3.0") << "the file's values are back";
        ASSERT_FALSE(outcome.keptCurrent.empty());
        // The kept file undoes the restore: the new install's values come back.
        const Restore::Outcome undone =
            Restore::Run({folder.file(outcome.keptCurrent), folder.path(), std::nullopt}, Seams(Always(L"real")));
        EXPECT_EQ(undone.result, Restore::Result::Done);
        EXPECT_EQ(RegistryDump(), installedAgain);
    }
}
