// SYSTEM and the other service accounts: which accounts they are, and where
// the console keeps its files for them when no folder is named.
#include "console/WorkingFolder.h"
#include "platform/Account.h"
#include "platform/ProgramFolder.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <shlobj.h>

using namespace test;

TEST(ServiceAccount, OnlySystemLocalServiceAndNetworkServiceAreOnes)
{
    struct Row {
        const wchar_t* sid;
        bool service;
    };
    for (const Row& row : {Row{L"S-1-5-18", true}, Row{L"S-1-5-19", true}, Row{L"S-1-5-20", true},
                           Row{L"S-1-5-21-0-0-0-1000", false}, Row{L"S-1-5-21-3623811015-3361044348-30300820-1013", false},
                           Row{L"S-1-5-32-544", false}, Row{L"S-1-5-180", false}, Row{L"S-1-5-1", false},
                           Row{L"S-1-5-2", false}, Row{L"", false}})
        EXPECT_EQ(Account::IsServiceAccount(row.sid), row.service) << Narrow(row.sid);
    EXPECT_EQ(Account::UserSid(), L"S-1-5-21-0-0-0-1000") << "Wine runs the tests as its own user";
    EXPECT_FALSE(Account::ServiceAccount());
}

TEST(ServiceAccount, WithoutAFolderNamedItWorksInTheSharedApplicationDataFolder)
{
    wchar_t shared[MAX_PATH];
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, shared)));
    const std::wstring velmora = std::wstring(shared) + L"\\Velmora", own = velmora + L"\\Tessarine";
    EXPECT_EQ(WorkingFolder::DefaultPath(false), ProgramFolder::Path());
    EXPECT_EQ(WorkingFolder::DefaultPath(true), own);
    ASSERT_EQ(GetFileAttributesW(velmora.c_str()), INVALID_FILE_ATTRIBUTES) << "the test makes it and takes it away";

    EXPECT_EQ(WorkingFolder::Prepare(L"", WorkingFolder::Need::Look, false).path, ProgramFolder::Path());
    const WorkingFolder::Folder looked = WorkingFolder::Prepare(L"", WorkingFolder::Need::Look, true);
    EXPECT_EQ(looked.state, WorkingFolder::State::Missing) << "only a removal makes it";
    const WorkingFolder::Folder made = WorkingFolder::Prepare(L"", WorkingFolder::Need::Create, true);
    EXPECT_EQ(made.path, own);
    EXPECT_EQ(made.state, WorkingFolder::State::Ready);
    EXPECT_NE(GetFileAttributesW(own.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    // A named folder stays the named folder, whoever runs the program.
    ScratchFolder named;
    EXPECT_EQ(WorkingFolder::Prepare(named.path(), WorkingFolder::Need::Look, true).path, named.path());
    EXPECT_TRUE(RemoveDirectoryW(own.c_str()));
    EXPECT_TRUE(RemoveDirectoryW(velmora.c_str()));
}
