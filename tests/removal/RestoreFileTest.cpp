#include "platform/Handles.h"
#include "removal/RestoreFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace test;

namespace {

const std::wstring Head = RegHeader;
// The byte order mark and the header in UTF-16LE, which a merge drops from
// the user register's export.
constexpr size_t HeadBytes = 2 + 2 * (std::size(RegHeader) - 1);

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
    const std::string merged = RestoreFile::Merge(main, user);
    EXPECT_EQ(merged.size(), main.size() + user.size() - HeadBytes);
    EXPECT_EQ(merged, main + user.substr(HeadBytes)) << "the user part starts with the header's line end";
    EXPECT_EQ(merged.find("\xFF\xFE", 2), std::string::npos) << "one byte order mark";

    EXPECT_EQ(RestoreFile::Merge(main, Utf16File(Head)), main) << "a user export of only its header adds nothing";
    EXPECT_EQ(RestoreFile::Merge(main, Narrow(RegHead) + "[HKEY_CURRENT_USER\\X]\r\n"),
              main + "\r\n\r\n[HKEY_CURRENT_USER\\X]\r\n")
        << "a single-byte export is cut at its header line";
    EXPECT_EQ(RestoreFile::Merge(main, ""), main) << "one export is taken byte for byte";
    EXPECT_EQ(RestoreFile::Merge("", user), user);
}

TEST_F(Assembly, ClearingTakesThePendingFileAndKeepsEveryBackup)
{
    WriteFileBytes(paths.mainExport, main);
    WriteFileBytes(paths.userExport, user);
    WriteFileBytes(paths.mainExport32, main);
    WriteFileBytes(paths.pending, user);
    WriteFileBytes(paths.restore, main);
    ASSERT_TRUE(RestoreFile::ClearTemporaries(paths));
    EXPECT_FALSE(FileThere(paths.pending));
    EXPECT_EQ(ReadFileBytes(paths.restore), main) << "the last removal's only backup";
    EXPECT_EQ(ReadFileBytes(paths.mainExport) + ReadFileBytes(paths.userExport) + ReadFileBytes(paths.mainExport32),
              main + user + main)
        << "exports a removal left behind are the only copies of what it removed";

    // A leftover that cannot go is reported, so no removal builds on it.
    ASSERT_TRUE(CreateDirectoryW(paths.pending.c_str(), nullptr));
    EXPECT_FALSE(RestoreFile::ClearTemporaries(paths));
    RemoveDirectoryW(paths.pending.c_str());
}

TEST_F(Assembly, TheNewRestoreFileReplacesTheOldOnlyWhenItIsWholeOnDisk)
{
    WriteFileBytes(paths.restore, "earlier");
    std::string onDisk;
    // Someone else's file where the new restore file is written: it is
    // neither written into nor deleted.
    WriteFileBytes(paths.pending, "someone else's");
    EXPECT_EQ(RestoreFile::WritePending(paths, main, onDisk), RestoreFile::Pending::Taken);
    EXPECT_EQ(ReadFileBytes(paths.pending), "someone else's");
    ASSERT_TRUE(DeleteFileW(paths.pending.c_str()));
    {
        // A restore file held open cannot be replaced; it stays as it was.
        ASSERT_EQ(RestoreFile::WritePending(paths, main, onDisk), RestoreFile::Pending::Written);
        FileHandle busy(CreateFileW(paths.restore.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(busy);
        EXPECT_FALSE(RestoreFile::ReplaceRestoreFile(paths));
    }
    EXPECT_EQ(ReadFileBytes(paths.restore), "earlier");
    ASSERT_TRUE(DeleteFileW(paths.pending.c_str()));

    ASSERT_EQ(RestoreFile::WritePending(paths, main, onDisk), RestoreFile::Pending::Written);
    EXPECT_EQ(onDisk, main) << "what the disk holds, read back";
    EXPECT_EQ(ReadFileBytes(paths.restore), "earlier") << "not before the move";
    ASSERT_TRUE(RestoreFile::ReplaceRestoreFile(paths));
    EXPECT_EQ(ReadFileBytes(paths.restore), main);
    EXPECT_FALSE(FileThere(paths.pending));
}
