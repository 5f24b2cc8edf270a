#include "platform/Handles.h"
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
    std::string merged;
    ASSERT_EQ(RestoreFile::Assemble(paths, merged), RestoreFile::Assembly::Made);
    EXPECT_EQ(merged.size(), main.size() + user.size() - 74);
    EXPECT_EQ(merged, main + user.substr(74)) << "the user part starts with the header's line end";
    EXPECT_EQ(merged.find("\xFF\xFE", 2), std::string::npos) << "one byte order mark";
    EXPECT_TRUE(FileThere(paths.mainExport) && FileThere(paths.userExport))
        << "the exports stay until the restore file holds them";
}

TEST_F(Assembly, ShortUserExportAddsNothing)
{
    WriteFileBytes(paths.mainExport, main);
    WriteFileBytes(paths.userExport, Utf16File(Head));
    std::string bytes;
    ASSERT_EQ(RestoreFile::Assemble(paths, bytes), RestoreFile::Assembly::Made);
    EXPECT_EQ(bytes, main);
}

TEST_F(Assembly, SingleExportIsTakenByteForByte)
{
    for (const std::wstring* only : {&paths.mainExport, &paths.userExport}) {
        WriteFileBytes(*only, user);
        std::string bytes;
        ASSERT_EQ(RestoreFile::Assemble(paths, bytes), RestoreFile::Assembly::Made);
        EXPECT_EQ(bytes, user);
        ASSERT_TRUE(DeleteFileW(only->c_str()));
    }
    std::string none = "untouched";
    EXPECT_EQ(RestoreFile::Assemble(paths, none), RestoreFile::Assembly::NoExport);
    EXPECT_EQ(none, "untouched");
}

TEST_F(Assembly, SingleByteExportIsCutAtItsHeaderLine)
{
    WriteFileBytes(paths.mainExport, main);
    WriteFileBytes(paths.userExport, "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\X]\r\n");
    std::string bytes;
    ASSERT_EQ(RestoreFile::Assemble(paths, bytes), RestoreFile::Assembly::Made);
    EXPECT_EQ(bytes, main + "\r\n\r\n[HKEY_CURRENT_USER\\X]\r\n");
}

TEST_F(Assembly, ClearingTakesTheTemporariesAndKeepsTheLastRestoreFile)
{
    WriteFileBytes(paths.mainExport, main);
    WriteFileBytes(paths.userExport, user);
    WriteFileBytes(paths.pending, user);
    WriteFileBytes(paths.restore, main);
    ASSERT_TRUE(RestoreFile::ClearTemporaries(paths));
    EXPECT_FALSE(FileThere(paths.mainExport) || FileThere(paths.userExport) || FileThere(paths.pending));
    EXPECT_EQ(ReadFileBytes(paths.restore), main) << "the last removal's only backup";

    // A leftover that cannot go is reported, so no removal builds on it.
    ASSERT_TRUE(CreateDirectoryW(paths.userExport.c_str(), nullptr));
    EXPECT_FALSE(RestoreFile::ClearTemporaries(paths));
    RemoveDirectoryW(paths.userExport.c_str());
}

TEST_F(Assembly, TheNewRestoreFileReplacesTheOldOnlyWhenItIsWholeOnDisk)
{
    WriteFileBytes(paths.restore, "earlier");
    std::string onDisk;
    {
        // Held open without sharing: the pending file cannot be written.
        FileHandle busy(CreateFileW(paths.pending.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(busy);
        EXPECT_FALSE(RestoreFile::WritePending(paths, main, onDisk));
    }
    EXPECT_EQ(ReadFileBytes(paths.restore), "earlier");
    {
        // A restore file held open cannot be replaced; it stays as it was.
        ASSERT_TRUE(RestoreFile::WritePending(paths, main, onDisk));
        FileHandle busy(CreateFileW(paths.restore.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(busy);
        EXPECT_FALSE(RestoreFile::ReplaceRestoreFile(paths));
    }
    EXPECT_EQ(ReadFileBytes(paths.restore), "earlier");

    ASSERT_TRUE(RestoreFile::WritePending(paths, main, onDisk));
    EXPECT_EQ(onDisk, main) << "what the disk holds, read back";
    EXPECT_EQ(ReadFileBytes(paths.restore), "earlier") << "not before the move";
    ASSERT_TRUE(RestoreFile::ReplaceRestoreFile(paths));
    EXPECT_EQ(ReadFileBytes(paths.restore), main);
    EXPECT_FALSE(FileThere(paths.pending));
}

TEST_F(Assembly, UnreadableExportNeverYieldsAStaleOrRepeatedFile)
{
    WriteFileBytes(paths.mainExport, main);
    WriteFileBytes(paths.userExport, user);
    std::string bytes = "untouched";
    {
        // Held open without sharing, as an editor still writing it would.
        HANDLE busy = CreateFileW(paths.mainExport.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(busy, INVALID_HANDLE_VALUE);
        EXPECT_EQ(RestoreFile::Assemble(paths, bytes), RestoreFile::Assembly::Failed);
        CloseHandle(busy);
    }
    EXPECT_EQ(bytes, "untouched");
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
