#include "WindowFixture.h"

#include <algorithm>
#include <cwchar>
#include <regex>

using namespace test;

namespace {

const std::wstring Alpha = L"Software\\Velmora\\Alpha";

struct Archive : WindowFixture {
    // The kept restore files ("Uninstall " and more), in the order of their names.
    std::vector<std::wstring> Kept() const
    {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW data;
        FindHandle find(FindFirstFileW(folder.file(L"*").c_str(), &data));
        if (find) {
            do {
                if (std::wcsncmp(data.cFileName, L"Uninstall ", 10) == 0) names.push_back(data.cFileName);
            } while (FindNextFileW(find.get(), &data));
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    void Remove(const std::wstring& name)
    {
        Select(name);
        answers = {IDYES, IDOK};
        root->bEntfernen_Click();
    }
};

// Two replacements a second apart get names a second apart.
void AwaitNextSecond()
{
    SYSTEMTIME start, now;
    GetLocalTime(&start);
    do {
        Sleep(20);
        GetLocalTime(&now);
    } while (now.wSecond == start.wSecond);
}

} // namespace

TEST_F(Archive, EveryReplacedRestoreFileIsKeptAndTheOldestRestoresItsProduct)
{
    ASSERT_TRUE(InTheExpectedZone());
    AddProduct(HKEY_LOCAL_MACHINE, L"Alpha", L"C:\\Programme\\Alpha", L"2.0");
    SetDword(HKEY_CURRENT_USER, Alpha + L"\\Plugins", L"Enabled", 1);
    AddProduct(HKEY_CURRENT_USER, L"Beta");
    AddProduct(HKEY_LOCAL_MACHINE, L"Gamma");
    Load();
    const std::string alpha = RegistryDump(Alpha);

    std::vector<std::string> made;
    SYSTEMTIME from{}, to{};
    for (const wchar_t* name : {L"Alpha", L"Beta", L"Gamma"}) {
        if (!made.empty()) AwaitNextSecond();
        if (made.size() == 1) GetLocalTime(&from);
        Remove(name);
        if (made.size() == 1) GetLocalTime(&to);
        ASSERT_EQ(boxes.back().text, RemovedMessage) << "the archive is silent";
        made.push_back(ReadFileBytes(paths.restore));
    }

    const std::vector<std::wstring> kept = Kept();
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(ReadFileBytes(folder.file(kept[0])), made[0]) << "Alpha's, byte for byte, first by name";
    EXPECT_EQ(ReadFileBytes(folder.file(kept[1])), made[1]) << "Beta's, even after a further clearing step";
    EXPECT_EQ(ReadFileBytes(paths.restore), made[2]);
    EXPECT_TRUE(std::regex_match(kept[0], std::wregex(LR"(Uninstall \d{4}-\d\d-\d\d \d\d-\d\d-\d\d\.reg)")))
        << Narrow(kept[0]);
    EXPECT_GE(folder.file(kept[0]), RestoreFile::KeptPath(paths, from, 1)) << "named when it was replaced";
    EXPECT_LE(folder.file(kept[0]), RestoreFile::KeptPath(paths, to, 1));

    // The user puts Gamma's file aside and gives the oldest the restore file's name.
    ASSERT_TRUE(MoveFileW(paths.restore.c_str(), folder.file(L"Gamma.reg").c_str()));
    ASSERT_TRUE(MoveFileW(folder.file(kept[0]).c_str(), paths.restore.c_str()));
    root->Timer1_Timer();
    EXPECT_TRUE(root->bRestored.enabled());
    const size_t shown = boxes.size();
    answers = {IDYES};
    root->bRestored_Click();
    ASSERT_EQ(boxes.size(), shown + 1) << "the question only: " << Narrow(boxes.back().text);
    EXPECT_EQ(RegistryDump(Alpha), alpha) << "its product is back exactly";
    EXPECT_EQ(Names(), std::vector<std::wstring>{L"Alpha"}) << "and nothing else";
    EXPECT_EQ(ReadFileBytes(folder.file(kept[1])), made[1]);
}

TEST_F(Archive, ReplacementsWithinOneSecondKeepEveryFileAndOverwriteNone)
{
    const SYSTEMTIME moment{2026, 12, 1, 7, 9, 5, 3, 0};
    EXPECT_EQ(RestoreFile::KeptPath(paths, moment, 1), folder.file(L"Uninstall 2026-12-07 09-05-03.reg"));
    EXPECT_EQ(RestoreFile::KeptPath(paths, moment, 2), folder.file(L"Uninstall 2026-12-07 09-05-03 (2).reg"));
    // Someone else's file under the third name of that second.
    WriteFileBytes(RestoreFile::KeptPath(paths, moment, 3), "not ours");

    WriteFileBytes(paths.restore, "first");
    std::string onDisk;
    for (const char* next : {"second", "third", "fourth"}) {
        ASSERT_EQ(RestoreFile::WritePending(paths, next, onDisk), RestoreFile::Pending::Written);
        ASSERT_TRUE(RestoreFile::ReplaceRestoreFile(paths, moment)) << next;
        EXPECT_EQ(ReadFileBytes(paths.restore), next);
    }
    EXPECT_EQ(ReadFileBytes(RestoreFile::KeptPath(paths, moment, 1)), "first");
    EXPECT_EQ(ReadFileBytes(RestoreFile::KeptPath(paths, moment, 2)), "second");
    EXPECT_EQ(ReadFileBytes(RestoreFile::KeptPath(paths, moment, 3)), "not ours");
    EXPECT_EQ(ReadFileBytes(RestoreFile::KeptPath(paths, moment, 4)), "third");
    EXPECT_EQ(Kept().size(), 4u);
}

TEST_F(Archive, AnOldRestoreFileThatCannotBeMovedAsideStopsTheRemoval)
{
    AddProduct(HKEY_LOCAL_MACHINE, L"Alpha", L"C:\\Programme\\Alpha");
    AddProduct(HKEY_CURRENT_USER, L"Alpha");
    WriteFileBytes(paths.restore, "the last removal's backup");
    Load();
    {
        // Open elsewhere without delete sharing: it can be read but not moved.
        FileHandle held(CreateFileW(paths.restore.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        Remove(L"Alpha");
    }
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, Alpha) && KeyExists(HKEY_CURRENT_USER, Alpha)) << "no key is deleted";
    EXPECT_EQ(ReadFileBytes(paths.restore), "the last removal's backup");
    EXPECT_TRUE(Kept().empty());
    EXPECT_TRUE(FileThere(paths.mainExport) && FileThere(paths.userExport)) << "the exports stay";
    EXPECT_FALSE(FileThere(paths.pending));
    EXPECT_EQ(boxes.back().style, UINT(MB_OK | MB_ICONEXCLAMATION));
    for (const wchar_t* says : {L"Hauptregister: Der Eintrag ist noch vorhanden, weil keine Sicherung",
                                L"Benutzerregister: Der Eintrag ist noch vorhanden, weil keine Sicherung",
                                L"Wiederherstellungsdatei konnte nicht geschrieben werden; die Exporte "
                                L"''Uninstall_1.reg'' und ''Uninstall_2.reg'' bleiben im Arbeitsordner erhalten.",
                                L"''Uninstall.reg'' bleibt unver\u00e4ndert"})
        EXPECT_NE(boxes.back().text.find(says), std::wstring::npos) << Narrow(boxes.back().text);

    // Once it is free, the next removal keeps it.
    Remove(L"Alpha");
    EXPECT_EQ(boxes.back().text, RemovedMessage);
    ASSERT_EQ(Kept().size(), 1u);
    EXPECT_EQ(ReadFileBytes(folder.file(Kept()[0])), "the last removal's backup");
}

TEST_F(Archive, TheOldRestoreFileGoesBackWhenTheNewCannotMoveIn)
{
    WriteFileBytes(paths.restore, "earlier");
    // No pending file: the second move fails after the first has been made.
    EXPECT_FALSE(RestoreFile::ReplaceRestoreFile(paths));
    EXPECT_EQ(ReadFileBytes(paths.restore), "earlier");
    EXPECT_TRUE(Kept().empty());
}
