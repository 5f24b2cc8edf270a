#include "removal/RestoreFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace test;

namespace {

const std::wstring Head = L"Windows Registry Editor Version 5.00";

std::string Export(const std::wstring& key, const std::wstring& body = L"\"V\"=\"1\"\r\n")
{
    return Utf16File(Head + L"\r\n\r\n[" + key + L"]\r\n" + body + L"\r\n");
}

struct Assembly : ::testing::Test {
    ScratchFolder folder;
    RestoreFile::Paths paths = RestoreFile::PathsIn(folder.path());
    const std::string main = Export(L"HKEY_LOCAL_MACHINE\\Software\\Velmora\\Alpha");
    const std::string user = Export(L"HKEY_CURRENT_USER\\Software\\Velmora\\Alpha", L"\"W\"=dword:00000001\r\n");
};

} // namespace

TEST_F(Assembly, PathsFollowTheWorkingFolderDirectly)
{
    EXPECT_EQ(paths.restore, folder.path() + L"\\Uninstall.reg");
    EXPECT_EQ(RestoreFile::PathsIn(L"C:\\").mainExport, L"C:\\\\Uninstall_1.reg");
}

TEST_F(Assembly, MergeKeepsOneHeaderAndBothKeySets)
{
    WriteFileBytes(paths.mainExport, main);
    WriteFileBytes(paths.userExport, user);
    ASSERT_EQ(RestoreFile::Assemble(paths), RestoreFile::Assembly::Written);

    const std::string merged = ReadFileBytes(paths.restore);
    EXPECT_EQ(merged.size(), main.size() + user.size() - 74);
    EXPECT_EQ(merged, main + user.substr(74)) << "the user part starts with the header's line end";
    EXPECT_EQ(merged.find("\xFF\xFE", 2), std::string::npos) << "one byte order mark";
    EXPECT_FALSE(FileThere(paths.mainExport));
    EXPECT_FALSE(FileThere(paths.userExport));
    EXPECT_EQ(RestoreFile::KeysIn(paths.restore),
              (std::vector<std::wstring>{L"HKEY_LOCAL_MACHINE\\Software\\Velmora\\Alpha",
                                         L"HKEY_CURRENT_USER\\Software\\Velmora\\Alpha"}));
    EXPECT_TRUE(RestoreFile::Holds(paths.restore, L"hkey_current_user\\software\\velmora\\ALPHA"));
    EXPECT_FALSE(RestoreFile::Holds(paths.restore, L"HKEY_CURRENT_USER\\Software\\Velmora"));
}

TEST_F(Assembly, ShortUserExportAddsNothing)
{
    WriteFileBytes(paths.mainExport, main);
    WriteFileBytes(paths.userExport, Utf16File(Head));
    ASSERT_EQ(RestoreFile::Assemble(paths), RestoreFile::Assembly::Written);
    EXPECT_EQ(ReadFileBytes(paths.restore), main);
}

TEST_F(Assembly, SingleExportIsCopiedByteForByte)
{
    for (const std::wstring* only : {&paths.mainExport, &paths.userExport}) {
        WriteFileBytes(*only, user);
        ASSERT_EQ(RestoreFile::Assemble(paths), RestoreFile::Assembly::Written);
        EXPECT_EQ(ReadFileBytes(paths.restore), user);
        EXPECT_FALSE(FileThere(*only));
    }
}

TEST_F(Assembly, SingleByteExportIsCutAtItsHeaderLine)
{
    WriteFileBytes(paths.mainExport, main);
    WriteFileBytes(paths.userExport, "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\X]\r\n");
    ASSERT_EQ(RestoreFile::Assemble(paths), RestoreFile::Assembly::Written);
    EXPECT_EQ(ReadFileBytes(paths.restore), main + "\r\n\r\n[HKEY_CURRENT_USER\\X]\r\n");
}

TEST_F(Assembly, ClearingLeavesNoOldFileForTheNextRemoval)
{
    WriteFileBytes(paths.mainExport, main);
    WriteFileBytes(paths.userExport, user);
    WriteFileBytes(paths.restore, main);
    ASSERT_TRUE(RestoreFile::Clear(paths));
    EXPECT_FALSE(FileThere(paths.mainExport) || FileThere(paths.userExport) || FileThere(paths.restore));
    EXPECT_EQ(RestoreFile::Assemble(paths), RestoreFile::Assembly::NoExport);
    EXPECT_FALSE(FileThere(paths.restore));

    // A leftover that cannot go is reported, so no removal builds on it.
    ASSERT_TRUE(CreateDirectoryW(paths.userExport.c_str(), nullptr));
    EXPECT_FALSE(RestoreFile::Clear(paths));
    RemoveDirectoryW(paths.userExport.c_str());
}

TEST_F(Assembly, ExportsStayWhenTheRestoreFileCannotBeWritten)
{
    WriteFileBytes(paths.mainExport, main);
    WriteFileBytes(paths.userExport, user);
    // A folder in the restore file's place cannot be written.
    ASSERT_TRUE(CreateDirectoryW(paths.restore.c_str(), nullptr));
    EXPECT_EQ(RestoreFile::Assemble(paths), RestoreFile::Assembly::Failed);
    EXPECT_EQ(ReadFileBytes(paths.mainExport), main) << "the only copy is kept";
    EXPECT_EQ(ReadFileBytes(paths.userExport), user);

    ASSERT_TRUE(DeleteFileW(paths.userExport.c_str()));
    EXPECT_EQ(RestoreFile::Assemble(paths), RestoreFile::Assembly::Failed) << "copy refused";
    EXPECT_EQ(ReadFileBytes(paths.mainExport), main);
    RemoveDirectoryW(paths.restore.c_str());
}

TEST_F(Assembly, UnreadableExportNeverYieldsAStaleOrRepeatedFile)
{
    WriteFileBytes(paths.mainExport, main);
    WriteFileBytes(paths.userExport, user);
    {
        // Held open without sharing, as an editor still writing it would.
        HANDLE busy = CreateFileW(paths.mainExport.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(busy, INVALID_HANDLE_VALUE);
        EXPECT_EQ(RestoreFile::Assemble(paths), RestoreFile::Assembly::Failed);
        CloseHandle(busy);
    }
    EXPECT_FALSE(FileThere(paths.restore));
    EXPECT_TRUE(FileThere(paths.mainExport));
    EXPECT_TRUE(FileThere(paths.userExport));
}

TEST(RegistryFileKeys, PresentOnlyWhenEveryKeyExists)
{
    CleanVelmora clean;
    CreateKey(HKEY_CURRENT_USER, L"Software\\Velmora\\Alpha\\Sub");
    EXPECT_TRUE(RestoreFile::KeysPresent({L"HKEY_CURRENT_USER\\Software\\Velmora\\Alpha",
                                          L"HKEY_CURRENT_USER\\Software\\Velmora\\Alpha\\Sub"}));
    EXPECT_FALSE(RestoreFile::KeysPresent({L"HKEY_CURRENT_USER\\Software\\Velmora\\Alpha",
                                           L"HKEY_LOCAL_MACHINE\\Software\\Velmora\\Alpha"}));
    EXPECT_FALSE(RestoreFile::KeysPresent({L"HKEY_CLASSES_ROOT\\x"})) << "unknown root";
    EXPECT_TRUE(RestoreFile::KeysIn(L"C:\\no such file.reg").empty());
}
