// Names, files and folders that the registry and the file system allow but
// that a removal or restore can trip over: each must end with the registry
// intact or fully backed up, and a message that tells the truth.
#include "WindowFixture.h"

using namespace test;

namespace {

const std::wstring Done = RemovedMessage;

struct BadInput : WindowFixture {};

// A working folder that is gone by the time the program writes to it.
struct MissingFolder : WindowFixture {
    void SetUp() override
    {
        WindowFixture::SetUp();
        root.reset();
        TakeQuit();
        RootSeams seams;
        seams.workingFolder = folder.path() + L"\\gone";
        seams.messageBox = [this](HWND, const std::wstring& text, const std::wstring& title, UINT style) {
            boxes.push_back({text, title, style});
            return (style & MB_YESNO) ? IDYES : IDOK;
        };
        root = std::make_unique<Root>(GetModuleHandleW(nullptr), std::move(seams));
        ASSERT_TRUE(root->Create());
    }
};

} // namespace

TEST_F(BadInput, UnusualNamesAreRemovedAndRestoredAsTheyAre)
{
    for (const std::wstring& name : {std::wstring(L"Trailing blank "), std::wstring(255, L'\u00e4'),
                                     std::wstring(L"  leading"), std::wstring(L"semi;colon=[x]")}) {
        SCOPED_TRACE(Narrow(name));
        AddProduct(HKEY_CURRENT_USER, name, L"C:\\x");
        CreateKey(HKEY_CURRENT_USER, L"Software\\Velmora\\" + name + L"\\Sub");
        AddProduct(HKEY_LOCAL_MACHINE, L"Other");
        Scope(0);
        const std::string before = RegistryDump();
        Select(name);
        boxes.clear();
        answers = {IDYES, IDOK, IDYES};
        root->bEntfernen_Click();
        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_EQ(boxes[1].text, Done);
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\Velmora\\" + name));
        root->bRestored_Click();
        EXPECT_EQ(RegistryDump(), before);
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Velmora");
    }
}

TEST_F(BadInput, AnOldRestoreFileThatCannotBeReplacedStopsTheDeletion)
{
    AddProduct(HKEY_CURRENT_USER, L"Alpha");
    WriteFileBytes(paths.restore, "earlier");
    Load();
    Select(L"Alpha");
    HANDLE lock = CreateFileW(paths.restore.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    answers = {IDYES, IDOK};
    root->bEntfernen_Click();
    CloseHandle(lock);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_NE(boxes[1].text.find(L"Benutzerregister: Der Eintrag ist noch vorhanden, weil keine Sicherung"),
              std::wstring::npos) << Narrow(boxes[1].text);
    // Only the export that is there is named.
    EXPECT_NE(boxes[1].text.find(L"konnte nicht geschrieben werden; der Export ''Uninstall_2.reg'' bleibt im "
                                 L"Arbeitsordner erhalten."),
              std::wstring::npos) << Narrow(boxes[1].text);
    EXPECT_EQ(boxes[1].text.find(L"Uninstall_1.reg"), std::wstring::npos);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"Software\\Velmora\\Alpha"));
    EXPECT_EQ(ReadFileBytes(paths.restore), "earlier");
    EXPECT_TRUE(FileThere(paths.userExport)) << "the export stays: it is the only copy of the new backup";
    EXPECT_EQ(root->MousePointer(), Root::PointerDefault);
    EXPECT_TRUE(root->LProdukte.enabled());
}

TEST_F(BadInput, NobodyChangesTheRestoreFileWhileItIsImported)
{
    AddProduct(HKEY_CURRENT_USER, L"Alpha", L"C:\\Alpha");
    ASSERT_TRUE(ExportKey(L"HKEY_CURRENT_USER\\Software\\Velmora\\Alpha", paths.restore));
    const std::string before = RegistryDump();
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Velmora\\Alpha");
    Load();
    const std::string bytes = ReadFileBytes(paths.restore);
    // The stand-in tries to write, replace and delete the file, then imports it.
    onStart = [](const std::wstring& line, int show) { return StartStandIn(L"tamper", line, show); };
    answers = {IDYES, IDOK};
    root->bRestored_Click();
    EXPECT_NE(StandInRuns().find("write refused, replace refused, delete refused"), std::string::npos)
        << StandInRuns();
    EXPECT_EQ(boxes.size(), 1u) << Narrow(boxes.back().text);
    EXPECT_EQ(RegistryDump(), before);
    EXPECT_EQ(ReadFileBytes(paths.backup), bytes) << "the bytes checked are the bytes imported";
}

TEST_F(MissingFolder, NothingIsDeletedWhenTheBackupCannotBeWritten)
{
    AddProduct(HKEY_LOCAL_MACHINE, L"Alpha");
    AddProduct(HKEY_CURRENT_USER, L"Alpha");
    Load();
    Select(L"Alpha");
    root->bEntfernen_Click();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_NE(boxes[1].text.find(L"konnte kein Ordner f\u00fcr die Exporte angelegt werden"), std::wstring::npos)
        << Narrow(boxes[1].text);
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Velmora\\Alpha"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"Software\\Velmora\\Alpha"));
    EXPECT_EQ(root->LProdukte.count(), 1);
}
