#include "WindowFixture.h"

#include "app/ControlIds.h"

#include <algorithm>

using namespace test;

namespace {

const std::wstring Confirm = L"M\u00f6chten Sie die Eintr\u00e4ge aus dem Haupt- und Benutzerregister entfernt ?   ";
const std::wstring Done = RemovedMessage;
const std::wstring Alpha = L"Software\\Velmora\\Alpha";

struct Removal : WindowFixture {
    void SeedAlphaInBoth()
    {
        AddProduct(HKEY_LOCAL_MACHINE, L"Alpha", L"C:\\Programme\\Alpha", L"2.0");
        AddProduct(HKEY_CURRENT_USER, L"Alpha", L"C:\\User\\Alpha");
        AddProduct(HKEY_LOCAL_MACHINE, L"Beta");
    }
    void ExpectIdle()
    {
        EXPECT_EQ(root->MousePointer(), Root::PointerDefault);
        EXPECT_TRUE(root->LProdukte.enabled());
        EXPECT_EQ(root->bEntfernen.enabled(), root->LProdukte.count() != 0);
        EXPECT_FALSE(root->Busy());
    }
};

struct RemovalInScope : Removal, ::testing::WithParamInterface<int> {};

} // namespace

TEST_P(RemovalInScope, RemovesExactlyTheScopeAndRestoresEverything)
{
    const int scope = GetParam();
    SeedAlphaInBoth();
    Load();
    const std::string before = RegistryDump();
    if (scope != 0) Scope(scope);
    Select(L"Alpha");
    answers = {IDYES, IDOK};
    root->bEntfernen_Click();

    ASSERT_EQ(boxes.size(), 2u);
    // The question, and below it what goes from each place in the scope.
    const std::vector<std::wstring> preview{
        L"\nHauptregister: 1 Schl\u00fcssel, 2 Werte\nHauptregister (32-Bit-Ansicht): nichts"
        L"\nBenutzerregister: 1 Schl\u00fcssel, 1 Wert",
        L"\nBenutzerregister: 1 Schl\u00fcssel, 1 Wert",
        L"\nHauptregister: 1 Schl\u00fcssel, 2 Werte\nHauptregister (32-Bit-Ansicht): nichts"};
    EXPECT_EQ(boxes[0].text, Confirm + preview[size_t(scope)]);
    EXPECT_EQ(boxes[0].title, L" Velmora Tessarine");
    EXPECT_EQ(boxes[0].style, 36u);
    EXPECT_EQ(boxes[1].text, Done);
    EXPECT_EQ(boxes[1].title, L" Alpha");
    EXPECT_EQ(boxes[1].style, 64u);

    // Only the confirmed scope is exported: a restore must not roll back
    // the key that stays.
    const std::wstring mainCommand =
        L"Regedit.exe /e \"" + paths.mainExport + L"\" \"HKEY_LOCAL_MACHINE\\" + Alpha + L"\"";
    const std::wstring userCommand =
        L"Regedit.exe /e \"" + paths.userExport + L"\" \"HKEY_CURRENT_USER\\" + Alpha + L"\"";
    const std::vector<std::vector<std::wstring>> exported{{mainCommand, userCommand}, {userCommand}, {mainCommand}};
    EXPECT_EQ(commands, exported[size_t(scope)]);
    EXPECT_EQ(inWorkspace, commands.size()) << "the editor writes only where nobody else can put a link";
    EXPECT_EQ(KeyExists(HKEY_LOCAL_MACHINE, Alpha), scope == 1);
    EXPECT_EQ(KeyExists(HKEY_CURRENT_USER, Alpha), scope == 2);
    const std::vector<std::vector<std::wstring>> inFile{
        {L"HKEY_LOCAL_MACHINE\\" + Alpha, L"HKEY_CURRENT_USER\\" + Alpha},
        {L"HKEY_CURRENT_USER\\" + Alpha},
        {L"HKEY_LOCAL_MACHINE\\" + Alpha}};
    EXPECT_EQ(KeysInFile(paths.restore), inFile[size_t(scope)]);
    EXPECT_FALSE(FileThere(paths.mainExport) || FileThere(paths.userExport));
    for (const auto& name : Names()) EXPECT_NE(name, L"Alpha");
    EXPECT_EQ(root->LProdukte.selected(), root->LProdukte.count() ? 0 : -1);
    ExpectIdle();
    root->Timer1_Timer();
    EXPECT_TRUE(root->bRestored.enabled());

    // A later change to the key that stayed survives the restore.
    if (scope != 0) SetString(scope == 1 ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, Alpha, L"Later", L"x");
    const std::string restoreBytes = ReadFileBytes(paths.restore);
    answers = {IDYES};
    root->bRestored_Click();
    if (scope != 0) {
        KeyHandle kept;
        ASSERT_EQ(RegOpenKeyExW(scope == 1 ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, Alpha.c_str(), 0, KEY_ALL_ACCESS,
                                kept.put()), ERROR_SUCCESS);
        EXPECT_EQ(RegDeleteValueW(kept.get(), L"Later"), ERROR_SUCCESS) << "the change was rolled back";
    }
    ASSERT_EQ(boxes.size(), 3u) << "a restore that worked says nothing more";
    EXPECT_EQ(boxes[2].title, L" Wiederherstellungsdateien");
    EXPECT_EQ(boxes[2].style, 52u);
    EXPECT_EQ(commands.back(), L"Regedit.exe /s \"" + paths.restore + L"\"");
    EXPECT_EQ(inWorkspace, commands.size()) << "the editor reads a copy that nobody else can change";
    EXPECT_EQ(RegistryDump(), before) << "the registry is as it was before the removal";
    EXPECT_EQ(ReadFileBytes(paths.backup), restoreBytes);
    EXPECT_FALSE(FileThere(paths.restore));
    EXPECT_EQ(root->LProdukte.selected(), 0);
    ExpectIdle();
    root->Timer1_Timer();
    EXPECT_FALSE(root->bRestored.enabled());
}

INSTANTIATE_TEST_SUITE_P(Scopes, RemovalInScope, ::testing::Values(0, 1, 2));

TEST_F(Removal, SubtreesValueTypesAndSpellingsComeBackExactly)
{
    const std::wstring name = L"Gr\u00fcn Werk \u65e5\u672c";
    const std::wstring key = L"Software\\Velmora\\" + name;
    AddProduct(HKEY_CURRENT_USER, name, L"C:\\Program Files\\Gr\u00fcn");
    SetString(HKEY_CURRENT_USER, key + L"\\Sub\\Deeper", L"Path", L"%ProgramFiles%\\x", REG_EXPAND_SZ);
    SetDword(HKEY_CURRENT_USER, key + L"\\Sub", L"Count", 42);
    const ULONGLONG q = 0x1122334455667788ULL;
    SetValue(HKEY_CURRENT_USER, key + L"\\Sub", L"Big", REG_QWORD, &q, sizeof q);
    const BYTE bin[] = {0, 1, 2, 254, 255};
    SetValue(HKEY_CURRENT_USER, key, L"Bin", REG_BINARY, bin, sizeof bin);
    const wchar_t multi[] = L"eins\0zwei\0";
    SetValue(HKEY_CURRENT_USER, key, L"Multi", REG_MULTI_SZ, multi, sizeof multi);
    SetString(HKEY_CURRENT_USER, key, L"Leer", L"");
    SetString(HKEY_CURRENT_USER, key, L"", L"Standardwert");
    // The same product in the main register, spelt otherwise.
    AddProduct(HKEY_LOCAL_MACHINE, L"GR\u00dcN WERK \u65e5\u672c", L"C:\\Main");
    Load();
    const std::string before = RegistryDump();
    Select(L"GR\u00dcN WERK \u65e5\u672c");
    answers = {IDYES, IDOK, IDYES};
    root->bEntfernen_Click();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, Done) << Narrow(boxes[1].text);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, key)) << "the whole subtree goes";
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key));

    root->bRestored_Click();
    EXPECT_EQ(RegistryDump(), before) << "subkeys, types and each register's spelling are back";
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, key + L"\\Sub\\Deeper"));
}

TEST_F(Removal, AnswerNoChangesNothing)
{
    SeedAlphaInBoth();
    WriteFileBytes(paths.restore, "earlier");
    WriteFileBytes(paths.mainExport, "leftover");
    Load();
    Select(L"Alpha");
    answers = {IDNO};
    root->bEntfernen_Click();
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(commands.empty());
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, Alpha) && KeyExists(HKEY_CURRENT_USER, Alpha));
    EXPECT_EQ(ReadFileBytes(paths.restore), "earlier");
    EXPECT_EQ(ReadFileBytes(paths.mainExport), "leftover");
    EXPECT_EQ(root->LProdukte.count(), 2);
    ExpectIdle();
}

TEST_F(Removal, WithoutASafeNameNothingIsTouched)
{
    SeedAlphaInBoth();
    AddProduct(HKEY_CURRENT_USER, L"Qu\"ote");
    WriteFileBytes(paths.restore, "earlier");
    Load();
    Scope(0); // a user's pick leaves no row selected
    root->bEntfernen_Click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].text.find(L"w\u00e4hlen Sie zuerst ein Produkt"), std::wstring::npos);

    Select(L"Qu\"ote");
    root->bEntfernen_Click();
    ASSERT_EQ(boxes.size(), 2u) << "no confirmation for a name that cannot be passed on";
    EXPECT_NE(boxes[1].text.find(L"Anf\u00fchrungszeichen"), std::wstring::npos);
    EXPECT_TRUE(commands.empty());
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"Software\\Velmora\\Qu\"ote"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, Alpha));
    EXPECT_EQ(ReadFileBytes(paths.restore), "earlier");
    EXPECT_EQ(root->LProdukte.count(), 3);
}

struct FailingEditor : Removal {
    double EditorTimeout() const override { return 3; }
};

TEST_F(FailingEditor, NoKeyIsDeletedWithoutAVerifiedBackup)
{
    SeedAlphaInBoth();
    for (HKEY r : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) SetDword(r, Alpha + L"\\Plugins", L"Enabled", 1);
    AddProduct(HKEY_LOCAL_MACHINE, L"Alpha", L"C:\\x86", nullptr, KEY_WOW64_32KEY);
    SetDword(HKEY_LOCAL_MACHINE, Alpha + L"\\Plugins", L"Enabled", 1, KEY_WOW64_32KEY);
    WriteFileBytes(paths.restore, "the last removal's backup");
    Load();
    auto standIn = [](const wchar_t* mode) {
        return [mode](const std::wstring& line, int show) { return StartStandIn(mode, line, show); };
    };
    struct Case {
        const char* what;
        std::function<ProcessHandle(const std::wstring&, int)> start;
        bool standIn = false;
    };
    const Case cases[] = {
        {"editor cannot be started", [](const std::wstring&, int) { return ProcessHandle(); }},
        {"editor hangs", [](const std::wstring&, int) {
             STARTUPINFOW si{sizeof si};
             PROCESS_INFORMATION pi{};
             std::wstring line = L"cmd.exe /c exit 0";
             // A suspended process never ends by itself.
             if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                                 nullptr, &si, &pi))
                 return ProcessHandle();
             CloseHandle(pi.hThread);
             return ProcessHandle(pi.hProcess);
         }},
        {"editor writes nothing", standIn(L"nothing"), true},
        {"export holds the key line but not its values", standIn(L"drop-values"), true},
        {"export lacks a subkey", standIn(L"drop-subkey"), true},
        {"editor reports a failure", standIn(L"fail"), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        boxes.clear();
        onStart = c.start;
        const size_t runs = StandInRuns().size();
        Select(L"Alpha");
        answers = {IDYES, IDOK};
        root->bEntfernen_Click();
        ASSERT_FALSE(boxes.empty());
        EXPECT_NE(boxes.back().text.find(L"Hauptregister: Der Eintrag ist noch vorhanden, weil keine Sicherung"),
                  std::wstring::npos) << Narrow(boxes.back().text);
        EXPECT_NE(boxes.back().text.find(L"Benutzerregister: Der Eintrag ist noch vorhanden"), std::wstring::npos);
        EXPECT_NE(boxes.back().text.find(L"Hauptregister (32-Bit-Ansicht): Der Eintrag ist noch vorhanden"),
                  std::wstring::npos);
        EXPECT_NE(boxes.back().text.find(L"''Uninstall.reg'' bleibt unver\u00e4ndert"), std::wstring::npos);
        EXPECT_EQ(boxes.back().style, UINT(MB_OK | MB_ICONEXCLAMATION));
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, Alpha + L"\\Plugins"));
        EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Alpha + L"\\Plugins"));
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, Alpha + L"\\Plugins", KEY_WOW64_32KEY));
        EXPECT_EQ(ReadFileBytes(paths.restore), "the last removal's backup") << "byte for byte";
        EXPECT_FALSE(FileThere(paths.pending));
        EXPECT_EQ(root->LProdukte.count(), 2) << "the row stays while its keys do";
        EXPECT_EQ(StandInRuns().size() > runs, c.standIn) << "the stand-in ran";
        ExpectIdle();
    }
}

TEST_F(Removal, ValuesTheEditorCannotWriteKeepTheKey)
{
    const wchar_t withNul[] = L"ab\0cd";
    const ULONGLONG eight = 0x1122334455667788ULL;
    const WORD two = 0x1234;
    struct Case {
        const char* what;
        std::function<void()> arrange;
    };
    // Each of these exports looks whole, yet would bring back something else.
    const Case cases[] = {
        {"a string with a NUL inside",
         [&] { SetValue(HKEY_CURRENT_USER, Alpha, L"Nul", REG_SZ, withNul, sizeof withNul); }},
        {"a dword of eight bytes", [&] { SetValue(HKEY_CURRENT_USER, Alpha, L"Acht", REG_DWORD, &eight, 8); }},
        {"a dword of two bytes", [&] { SetValue(HKEY_CURRENT_USER, Alpha, L"Zwei", REG_DWORD, &two, 2); }},
        {"a subkey whose name holds a carriage return", [&] { CreateKey(HKEY_CURRENT_USER, Alpha + L"\\Zeile\rEnde"); }},
        // The import crashes on a string of one byte and writes longer odd
        // ones two bytes longer.
        {"a string of one byte", [&] { SetValue(HKEY_CURRENT_USER, Alpha, L"Eins", REG_SZ, "A", 1); }},
        {"a string of three bytes", [&] { SetValue(HKEY_CURRENT_USER, Alpha, L"Drei", REG_SZ, "A\0\0", 3); }},
        {"an expandable string of one byte", [&] { SetValue(HKEY_CURRENT_USER, Alpha, L"E", REG_EXPAND_SZ, "A", 1); }},
        {"an expandable string of one NUL", [&] { SetValue(HKEY_CURRENT_USER, Alpha, L"E", REG_EXPAND_SZ, "\0", 1); }},
        {"an expandable string of three bytes",
         [&] { SetValue(HKEY_CURRENT_USER, Alpha, L"E", REG_EXPAND_SZ, "A\0B", 3); }},
        {"a multi-string of one byte", [&] { SetValue(HKEY_CURRENT_USER, Alpha, L"M", REG_MULTI_SZ, "A", 1); }},
        {"a multi-string of five bytes",
         [&] { SetValue(HKEY_CURRENT_USER, Alpha, L"M", REG_MULTI_SZ, "A\0B\0\0", 5); }},
    };
    WriteFileBytes(paths.restore, "the last removal's backup");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        AddProduct(HKEY_CURRENT_USER, L"Alpha", L"C:\\Alpha");
        CreateKey(HKEY_CURRENT_USER, Alpha + L"\\Sub");
        c.arrange();
        Scope(0);
        const std::string before = RegistryDump();
        Select(L"Alpha");
        boxes.clear();
        answers = {IDYES, IDOK};
        root->bEntfernen_Click();
        ASSERT_FALSE(boxes.empty());
        EXPECT_NE(boxes.back().text.find(L"Benutzerregister: Der Eintrag ist noch vorhanden, weil keine Sicherung"),
                  std::wstring::npos) << Narrow(boxes.back().text);
        EXPECT_EQ(RegistryDump(), before) << "nothing was deleted";
        EXPECT_EQ(ReadFileBytes(paths.restore), "the last removal's backup");
        RegDeleteTreeW(HKEY_CURRENT_USER, Velmora);
    }
}

TEST_F(Removal, OneRegisterBackedUpAndDeletedTheOtherKept)
{
    SeedAlphaInBoth();
    Load();
    const std::string before = RegistryDump();
    onStart = [](const std::wstring& line, int show) {
        // The user register's export loses its values.
        return line.find(L"HKEY_CURRENT_USER") != std::wstring::npos ? StartStandIn(L"drop-values", line, show)
                                                                      : RegistryEditor::Start(line, show);
    };
    Select(L"Alpha");
    answers = {IDYES, IDOK};
    root->bEntfernen_Click();
    EXPECT_FALSE(StandInRuns().empty()) << "the stand-in ran";
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_NE(boxes[1].text.find(L"Benutzerregister: Der Eintrag ist noch vorhanden, weil keine Sicherung"),
              std::wstring::npos) << Narrow(boxes[1].text);
    EXPECT_EQ(boxes[1].text.find(L"Hauptregister:"), std::wstring::npos);
    EXPECT_NE(boxes[1].text.find(L"Wiederherstellungsdatei der Registrierung wurde im Arbeitsordner erstellt"),
              std::wstring::npos);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, Alpha));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Alpha));
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"Alpha", L"Beta"})) << "the row stays while a key does";
    EXPECT_EQ(KeysInFile(paths.restore), std::vector<std::wstring>{L"HKEY_LOCAL_MACHINE\\" + Alpha})
        << "the export that failed its check stays out";

    onStart = nullptr;
    answers = {IDYES};
    root->bRestored_Click();
    EXPECT_EQ(boxes.size(), 3u) << Narrow(boxes.back().text);
    EXPECT_EQ(RegistryDump(), before);
}

TEST_F(Removal, OnlyARemovalThatDeletesReplacesTheRestoreFile)
{
    AddProduct(HKEY_CURRENT_USER, L"Solo", L"C:\\Solo");
    AddProduct(HKEY_CURRENT_USER, L"Gone");
    WriteFileBytes(paths.restore, "earlier");
    Load();
    root->Timer1_Timer();

    // Its key went away behind the program's back: nothing to delete.
    ASSERT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Velmora\\Gone"), ERROR_SUCCESS);
    Select(L"Gone");
    answers = {IDYES, IDOK};
    root->bEntfernen_Click();
    EXPECT_NE(boxes.back().text.find(L"nicht gefunden"), std::wstring::npos);
    EXPECT_EQ(ReadFileBytes(paths.restore), "earlier");
    root->Timer1_Timer();
    EXPECT_TRUE(root->bRestored.enabled()) << "the last removal can still be restored";

    Select(L"Solo");
    answers = {IDYES, IDOK};
    root->bEntfernen_Click();
    EXPECT_EQ(boxes.back().text, Done);
    EXPECT_EQ(KeysInFile(paths.restore), std::vector<std::wstring>{L"HKEY_CURRENT_USER\\Software\\Velmora\\Solo"});
    EXPECT_FALSE(FileThere(paths.pending) || FileThere(paths.userExport));
}

TEST_F(Removal, AScopePickedWhileTheEditorRunsDoesNotWidenTheDeletion)
{
    SeedAlphaInBoth();
    Load();
    Scope(1); // the user register only
    Select(L"Alpha");
    answers = {IDYES, IDOK};
    onStart = [this](const std::wstring& line, int show) {
        // While the (slow) editor runs, the user picks both registers.
        PickScope(0);
        return StartStandIn(L"slow", line, show);
    };
    root->bEntfernen_Click();
    Settle();
    EXPECT_FALSE(StandInRuns().empty()) << "the stand-in ran";
    EXPECT_EQ(boxes.back().text, Done);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Alpha));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, Alpha)) << "the main register was never confirmed";
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"Alpha", L"Beta"})) << "the pick is listed afterwards";
}

TEST_F(Removal, ProductOnlyInTheUserRegisterIsCopiedIntoTheRestoreFile)
{
    AddProduct(HKEY_CURRENT_USER, L"Solo", L"C:\\Solo");
    Load();
    Select(L"Solo");
    answers = {IDYES, IDOK};
    root->bEntfernen_Click();
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(boxes.back().text, Done);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\Velmora\\Solo"));
    EXPECT_EQ(KeysInFile(paths.restore), std::vector<std::wstring>{L"HKEY_CURRENT_USER\\Software\\Velmora\\Solo"});
    EXPECT_EQ(root->LProdukte.count(), 0);
    EXPECT_EQ(root->LProdukte.selected(), -1);
    ExpectIdle();
}

TEST_F(Removal, ClosingDuringARemovalWaitsForItsEnd)
{
    SeedAlphaInBoth();
    Load();
    Select(L"Alpha");
    answers = {IDYES, IDOK};
    onStart = [this](const std::wstring& line, int show) {
        PostMessageW(root->hwnd(), WM_CLOSE, 0, 0);
        return RegistryEditor::Start(line, show);
    };
    HWND window = root->hwnd();
    // A quit left behind by an earlier window would pass the check below.
    TakeQuit();
    root->bEntfernen_Click();
    EXPECT_TRUE(IsWindow(window)) << "the close waits for the event loop";
    Settle();
    EXPECT_EQ(boxes.back().text, Done) << "the removal ran to its end";
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, Alpha));
    EXPECT_FALSE(IsWindow(window)) << "and then the window closed";
    EXPECT_TRUE(TakeQuit()) << "and the program's event loop is told to end";
}

TEST_F(Removal, FilesOthersPutIntoTheWorkingFolderNeverReachTheRestoreFile)
{
    struct Case {
        const char* what;
        const wchar_t* standIn;
        const wchar_t* says; // nullptr: the removal goes through
    };
    const Case cases[] = {
        {"a pending file appears during the export", L"plant-pending", L"fremde Datei ''Uninstall.tmp''"},
        {"a user register export appears for a main register product", L"plant-export", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        AddProduct(HKEY_LOCAL_MACHINE, L"Solo", L"C:\\Solo");
        WriteFileBytes(paths.restore, "earlier");
        Scope(0);
        const std::string before = RegistryDump();
        onStart = [&](const std::wstring& line, int show) { return StartStandIn(c.standIn, line, show); };
        Select(L"Solo");
        boxes.clear();
        answers = {IDYES, IDOK};
        root->bEntfernen_Click();
        EXPECT_FALSE(StandInRuns().empty()) << "the stand-in ran";
        if (c.says) {
            EXPECT_NE(boxes.back().text.find(c.says), std::wstring::npos) << Narrow(boxes.back().text);
            EXPECT_EQ(RegistryDump(), before) << "nothing is deleted";
            EXPECT_EQ(ReadFileBytes(paths.restore), "earlier");
            EXPECT_EQ(ReadFileBytes(paths.pending), "someone else's") << "nor written into";
        } else {
            EXPECT_EQ(boxes.back().text, Done);
            EXPECT_EQ(KeysInFile(paths.restore), std::vector<std::wstring>{L"HKEY_LOCAL_MACHINE\\Software\\Velmora\\Solo"});
        }
        ASSERT_TRUE(DeleteFileW(folder.file(L"stand-in-ran.txt").c_str()));
        RestoreFile::ClearTemporaries(paths);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, Velmora);
    }
}

TEST_F(Removal, TheProductRemovedIsTheOneSelectedEvenWithATabInItsName)
{
    for (const wchar_t* chosen : {L"Alpha", L"Alpha\tBeta"}) {
        SCOPED_TRACE(Narrow(chosen));
        const std::wstring other = std::wstring(chosen) == L"Alpha" ? L"Alpha\tBeta" : L"Alpha";
        AddProduct(HKEY_CURRENT_USER, L"Alpha", L"C:\\Alpha");
        AddProduct(HKEY_CURRENT_USER, L"Alpha\tBeta", L"C:\\AlphaBeta");
        Scope(0);
        const std::vector<std::wstring> names = Names();
        const auto row = std::find(names.begin(), names.end(), chosen);
        ASSERT_NE(row, names.end());
        root->LProdukte.select(int(row - names.begin()));
        boxes.clear();
        answers = {IDYES, IDOK};
        root->bEntfernen_Click();
        EXPECT_EQ(boxes.back().text, Done);
        EXPECT_EQ(boxes.back().title, L" " + std::wstring(chosen));
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\Velmora\\" + std::wstring(chosen)));
        EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"Software\\Velmora\\" + other)) << "the other one stays";
        EXPECT_EQ(Names(), std::vector<std::wstring>{other});
        RegDeleteTreeW(HKEY_CURRENT_USER, Velmora);
    }
}
