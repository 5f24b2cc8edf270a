#include "WindowFixture.h"

#include "app/ControlIds.h"

using namespace test;

namespace {

const std::wstring Alpha = L"Software\\Velmora\\Alpha";

struct Restore : WindowFixture {
    // A restore file as a removal leaves it, with the key already gone.
    void PrepareRemoval(HKEY root, const std::wstring& rootName)
    {
        AddProduct(root, L"Alpha", L"C:\\Alpha");
        ASSERT_TRUE(ExportKey(rootName + L"\\" + Alpha, paths.restore));
        ASSERT_EQ(RegDeleteTreeW(root, Alpha.c_str()), ERROR_SUCCESS);
    }
};

} // namespace

TEST_F(Restore, WithoutRestoreFileOrWithAnswerNoNothingHappens)
{
    AddProduct(HKEY_CURRENT_USER, L"Beta");
    Load();
    root->bRestored_Click();
    EXPECT_TRUE(boxes.empty()) << "no restore file: not even a question";

    PrepareRemoval(HKEY_CURRENT_USER, L"HKEY_CURRENT_USER");
    const std::string bytes = ReadFileBytes(paths.restore);
    answers = {IDNO};
    root->bRestored_Click();
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(commands.empty());
    EXPECT_EQ(ReadFileBytes(paths.restore), bytes);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Alpha));
    EXPECT_EQ(root->MousePointer(), Root::PointerDefault);
}

TEST_F(Restore, ReplacesAnEarlierBackupAndMayLeaveAnEmptyList)
{
    PrepareRemoval(HKEY_CURRENT_USER, L"HKEY_CURRENT_USER");
    WriteFileBytes(paths.backup, "older backup");
    const std::string bytes = ReadFileBytes(paths.restore);
    Load();
    Scope(2); // the main register, where the restored key is not
    answers = {IDYES};
    root->bRestored_Click();
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Alpha));
    EXPECT_EQ(ReadFileBytes(paths.backup), bytes);
    EXPECT_FALSE(FileThere(paths.restore));
    EXPECT_EQ(root->LProdukte.count(), 0);
    EXPECT_EQ(root->LProdukte.selected(), -1);
    EXPECT_FALSE(root->bEntfernen.enabled());
    EXPECT_TRUE(root->LProdukte.enabled());
}

TEST_F(Restore, KeepsTheRestoreFileWhenTheImportDidNotWork)
{
    PrepareRemoval(HKEY_LOCAL_MACHINE, L"HKEY_LOCAL_MACHINE");
    const std::string bytes = ReadFileBytes(paths.restore);
    Load();
    auto standIn = [](const wchar_t* mode) {
        return [mode](const std::wstring& line, int show) { return StartStandIn(mode, line, show); };
    };
    struct Case {
        const char* what;
        std::function<ProcessHandle(const std::wstring&, int)> start;
        const wchar_t* says;
        bool standIn = false;
    };
    const Case cases[] = {
        {"editor cannot be started", [](const std::wstring&, int) { return ProcessHandle(); },
         L"konnte nicht gestartet werden"},
        {"editor ends without importing",
         [](const std::wstring&, int show) { return RegistryEditor::Start(L"cmd.exe /c exit 0", show); },
         L"nicht vollst\u00e4ndig wiederhergestellt"},
        {"import changes a value's data", standIn(L"change-value"), L"nicht vollst\u00e4ndig wiederhergestellt", true},
        {"import drops a value", standIn(L"drop-value"), L"nicht vollst\u00e4ndig wiederhergestellt", true},
        {"import drops a key", standIn(L"drop-key"), L"nicht vollst\u00e4ndig wiederhergestellt", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        boxes.clear();
        onStart = c.start;
        const size_t runs = StandInRuns().size();
        answers = {IDYES, IDOK};
        root->bRestored_Click();
        EXPECT_EQ(StandInRuns().size() > runs, c.standIn) << "the stand-in ran";
        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_NE(boxes[1].text.find(c.says), std::wstring::npos) << Narrow(boxes[1].text);
        EXPECT_NE(boxes[1].text.find(L"''Uninstall.reg'' bleibt"), std::wstring::npos);
        EXPECT_EQ(boxes[1].title, L" Wiederherstellungsdateien");
        EXPECT_EQ(ReadFileBytes(paths.restore), bytes);
        EXPECT_FALSE(FileThere(paths.backup));
        EXPECT_EQ(root->MousePointer(), Root::PointerDefault);
        EXPECT_TRUE(root->LProdukte.enabled());
        EXPECT_FALSE(root->Busy());
    }
}

TEST_F(Restore, ASecondClickDuringARestoreStartsNothing)
{
    PrepareRemoval(HKEY_CURRENT_USER, L"HKEY_CURRENT_USER");
    Load();
    answers = {IDYES, IDYES};
    onStart = [this](const std::wstring& line, int show) {
        // The button is enabled while the file exists; a user clicks again.
        PostMessageW(root->hwnd(), WM_COMMAND, MAKEWPARAM(ControlIds::bRestored, BN_CLICKED),
                     LPARAM(root->bRestored.hwnd));
        return RegistryEditor::Start(line, show);
    };
    root->bRestored_Click();
    EXPECT_EQ(boxes.size(), 1u) << "one question, one import";
    EXPECT_EQ(commands.size(), 1u);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Alpha));
    EXPECT_TRUE(FileThere(paths.backup));
    EXPECT_FALSE(FileThere(paths.restore));
}

TEST_F(Restore, AScopeChangeDuringAnOperationIsListedAfterIt)
{
    PrepareRemoval(HKEY_CURRENT_USER, L"HKEY_CURRENT_USER");
    AddProduct(HKEY_LOCAL_MACHINE, L"Main");
    Load();
    answers = {IDYES};
    onStart = [this](const std::wstring& line, int show) {
        PickScope(2);
        return RegistryEditor::Start(line, show);
    };
    root->bRestored_Click();
    Settle();
    EXPECT_EQ(Names(), std::vector<std::wstring>{L"Main"}) << "the list follows the scope picked last";
    EXPECT_FALSE(root->Busy());
}

TEST_F(Restore, AFileThatWritesAnythingButProductKeysIsNotImported)
{
    AddProduct(HKEY_CURRENT_USER, L"Beta", L"C:\\Beta");
    Load();
    const std::wstring& head = RegHead;
    const std::wstring product = L"[HKEY_CURRENT_USER\\Software\\Velmora\\Alpha]\r\n\"V\"=\"1\"\r\n\r\n";
    struct Case {
        const char* what;
        std::wstring file;
        const wchar_t* says = L"au\u00dferhalb der Velmora-Produkte";
    };
    const Case cases[] = {
        {"a value line in a form no export writes",
         head + L"[HKEY_CURRENT_USER\\Software\\Velmora\\Alpha]\r\n\"V\"=hex:0x01\r\n", L"nicht gelesen werden"},
        {"a key outside in the main register", head + product + L"[HKEY_LOCAL_MACHINE\\Software\\Evil]\r\n"},
        {"a key outside in the user register", head + L"[HKEY_CURRENT_USER\\Software\\Evil]\r\n\r\n" + product},
        {"an indented key line", head + product + L"   [HKEY_LOCAL_MACHINE\\Software\\Evil]\r\n\"x\"=\"y\"\r\n"},
        {"a key line after a lone carriage return",
         head + L"[HKEY_CURRENT_USER\\Software\\Velmora\\Alpha]\r\n\"V\"=\"1\"\r[HKEY_LOCAL_MACHINE\\Software\\Evil]\r\n"},
        {"a key deletion", head + product + L"[-HKEY_CURRENT_USER\\Software\\Velmora\\Beta]\r\n"},
        {"the product root itself", head + L"[HKEY_CURRENT_USER\\Software\\Velmora]\r\n\"x\"=\"y\"\r\n"},
        {"the 32-bit view's product root itself",
         head + product + L"[HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Velmora]\r\n\"x\"=\"y\"\r\n"},
        {"a 32-bit view's path in the user register",
         head + product + L"[HKEY_CURRENT_USER\\Software\\Wow6432Node\\Velmora\\Alpha]\r\n"},
        {"a key line without its bracket", head + product + L"[HKEY_CURRENT_USER\\Software\\Velmora\\Beta\r\n\"x\"=\"y\"\r\n"},
        {"no key at all", head},
    };
    const std::string before = RegistryDump();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFileBytes(paths.restore, Utf16File(c.file));
        boxes.clear();
        commands.clear();
        answers = {IDYES, IDOK};
        root->bRestored_Click();
        EXPECT_TRUE(commands.empty()) << "the editor never gets the file";
        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_NE(boxes[1].text.find(c.says), std::wstring::npos) << Narrow(boxes[1].text);
        EXPECT_EQ(ReadFileBytes(paths.restore), Utf16File(c.file)) << "the file stays byte for byte";
        EXPECT_EQ(RegistryDump(), before);
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Evil") || KeyExists(HKEY_CURRENT_USER, L"Software\\Evil"));
        root->Timer1_Timer();
        EXPECT_TRUE(root->bRestored.enabled());
    }
}
