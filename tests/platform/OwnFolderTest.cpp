#include "platform/Account.h"
#include "platform/Handles.h"
#include "platform/OwnFolder.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <aclapi.h>
#include <sddl.h>

#include <algorithm>

using namespace test;

namespace {

std::wstring SidText(PSID sid)
{
    LocalMemory<wchar_t> text;
    if (!ConvertSidToStringSidW(sid, text.put())) return L"(unreadable SID)";
    return text.get();
}

struct AccessList {
    bool protectedList = false; // nothing inherited from above
    std::vector<std::wstring> entries; // each as "type flags mask SID"
};

// The folder's access list as read back from the file system.
testing::AssertionResult ReadAccessList(const std::wstring& folder, AccessList& list)
{
    PACL dacl = nullptr;
    LocalMemory<void> descriptor;
    const DWORD read = GetNamedSecurityInfoW(folder.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                             nullptr, &dacl, nullptr, descriptor.put());
    if (read != ERROR_SUCCESS) return testing::AssertionFailure() << "GetNamedSecurityInfoW answered " << read;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    if (!GetSecurityDescriptorControl(descriptor.get(), &control, &revision))
        return testing::AssertionFailure() << "no control bits: " << GetLastError();
    if (!dacl) return testing::AssertionFailure() << "no access list at all: everyone may do everything";
    list.protectedList = (control & SE_DACL_PROTECTED) != 0;
    list.entries.clear();
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(dacl, i, &ace)) return testing::AssertionFailure() << "entry " << i << " unreadable";
        const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
        list.entries.push_back(std::to_wstring(allowed->Header.AceType) + L" "
                               + std::to_wstring(allowed->Header.AceFlags) + L" " + std::to_wstring(allowed->Mask)
                               + L" " + SidText(const_cast<DWORD*>(&allowed->SidStart)));
    }
    return testing::AssertionSuccess();
}

std::string Shown(const AccessList& list)
{
    std::string text = list.protectedList ? "protected:" : "inherits:";
    for (const std::wstring& e : list.entries) text += "\n  " + Narrow(e);
    return text;
}

// Whether the file system keeps the access list a folder is made with.
// Debian's Wine 8 does not (its server is built without extended
// attributes): it turns the list into Unix permissions and reads back a list
// made from those, SYSTEM, the owner, and Everyone when others may use it.
bool KeepsFileSecurity(const std::wstring& probe)
{
    LocalMemory<void> descriptor;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", SDDL_REVISION_1,
                                                              descriptor.put(), nullptr))
        return false;
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.get(), FALSE};
    AccessList list;
    const bool kept = CreateDirectoryW(probe.c_str(), &attributes) && ReadAccessList(probe, list) && list.protectedList;
    (void)RemoveDirectoryW(probe.c_str()); // the scratch folder takes it along otherwise
    return kept;
}

bool GrantsEveryone(const AccessList& list)
{
    return std::any_of(list.entries.begin(), list.entries.end(),
                       [](const std::wstring& e) { return e.ends_with(L" S-1-1-0"); });
}

std::wstring FullControlFor(const std::wstring& sid)
{
    return std::to_wstring(ACCESS_ALLOWED_ACE_TYPE) + L" " + std::to_wstring(OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE)
         + L" " + std::to_wstring(FILE_ALL_ACCESS) + L" " + sid;
}

} // namespace

TEST(OwnFolder, HoldsOnlyItsOwnProtectedAccessList)
{
    ScratchFolder scratch;
    const std::wstring folder = scratch.file(L"Eigener Ordner");
    ASSERT_TRUE(OwnFolder::Create(folder)) << GetLastError();
    const std::wstring user = Account::UserSid();
    ASSERT_FALSE(user.empty());
    AccessList made, plain;
    ASSERT_TRUE(ReadAccessList(folder, made));
    ASSERT_TRUE(ReadAccessList(scratch.path(), plain));
    if (KeepsFileSecurity(scratch.file(L"Probe"))) {
        EXPECT_TRUE(made.protectedList) << Shown(made);
        EXPECT_EQ(made.entries, (std::vector<std::wstring>{FullControlFor(L"S-1-5-18"), FullControlFor(L"S-1-5-32-544"),
                                                           FullControlFor(user)}))
            << Shown(made);
    } else {
        // What this platform can show: a folder made without a list of its own
        // lets everyone in, and this one lets in nobody but SYSTEM and its maker.
        EXPECT_TRUE(GrantsEveryone(plain)) << Shown(plain);
        EXPECT_EQ(made.entries, (std::vector<std::wstring>{FullControlFor(L"S-1-5-18"), FullControlFor(user)}))
            << Shown(made);
    }
    // The account that made it can still work in it.
    const std::wstring inside = folder + L"\\Uninstall.reg";
    WriteFileBytes(inside, "x");
    EXPECT_EQ(ReadFileBytes(inside), "x");
    EXPECT_TRUE(DeleteFileW(inside.c_str()));
    EXPECT_TRUE(RemoveDirectoryW(folder.c_str()));
}

TEST(OwnFolder, RefusesEveryNameThatIsTaken)
{
    ScratchFolder scratch;
    const std::wstring outside = scratch.file(L"Fremd");
    ASSERT_TRUE(CreateDirectoryW(outside.c_str(), nullptr));
    WriteFileBytes(scratch.file(L"Datei"), "x");
    ASSERT_TRUE(MakeLink(outside, scratch.file(L"Link")));
    ASSERT_TRUE(MakeLink(scratch.file(L"Nirgends"), scratch.file(L"Loser Link")));

    struct Row { const wchar_t* name; DWORD error; };
    for (const Row& row : {Row{L"Fremd", ERROR_ALREADY_EXISTS}, Row{L"Datei", ERROR_ALREADY_EXISTS},
                           Row{L"Link", ERROR_ALREADY_EXISTS}, Row{L"Loser Link", ERROR_ALREADY_EXISTS},
                           Row{L"Fehlt\\Darunter", ERROR_PATH_NOT_FOUND}}) {
        SetLastError(0);
        EXPECT_FALSE(OwnFolder::Create(scratch.file(row.name))) << Narrow(row.name);
        EXPECT_EQ(GetLastError(), row.error) << Narrow(row.name);
    }
    EXPECT_FALSE(FileThere(scratch.file(L"Nirgends"))) << "a dangling link is not followed to make its target";
    EXPECT_TRUE(RemoveDirectoryW(outside.c_str()));
}
