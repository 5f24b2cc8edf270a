// People's profiles and their hives, made as the machine makes them and
// reached as a fleet tool running as SYSTEM reaches them.
#include "platform/Profiles.h"
#include "support/TestProfiles.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace test;

TEST(Profiles, OnlyPeoplesSidsAreUserSids)
{
    struct Row {
        const wchar_t* sid;
        bool user;
    };
    for (const Row& row : {Row{L"S-1-5-21-0-0-0-1000", true}, Row{L"S-1-5-21-3623811015-3361044348-30300820-1013", true},
                           Row{L"S-1-5-18", false}, Row{L"S-1-5-19", false}, Row{L"S-1-5-20", false},
                           Row{L"S-1-5-21-1-2-3-1001.bak", false}, Row{L"S-1-5-21-", false},
                           Row{L"S-1-5-21-1-2-3-", false}, Row{L"S-1-5-32-544", false},
                           Row{L"S-1-5-210-1-2-3-1001", false}, Row{L"", false}})
        EXPECT_EQ(Profiles::IsUserSid(row.sid), row.user) << Narrow(row.sid);
}

TEST(Profiles, ProfileListNamesEveryPersonWithTheFolderName)
{
    CleanVelmora clean;
    MachineProfiles machine(ThreePeople({L"Alpha"}, {L"Beta"}, {L"Gamma"}));
    ASSERT_TRUE(machine.ready());
    SetString(HKEY_LOCAL_MACHINE, std::wstring(Profiles::ProfileListKey) + L"\\S-1-5-21-1000-2000-3000-1002.bak",
              L"ProfileImagePath", L"C:\\Users\\Alt");
    const std::vector<Profiles::Profile> found = Profiles::UserProfiles();
    (void)RegDeleteKeyW(HKEY_LOCAL_MACHINE,
                        (std::wstring(Profiles::ProfileListKey) + L"\\S-1-5-21-1000-2000-3000-1002.bak").c_str());

    std::vector<std::wstring> sids;
    for (const Profiles::Profile& profile : found) {
        sids.push_back(profile.sid);
        EXPECT_TRUE(Profiles::IsUserSid(profile.sid)) << Narrow(profile.sid);
    }
    EXPECT_NE(std::find(sids.begin(), sids.end(), WineUserSid), sids.end()) << "the Wine user's own profile";
    for (std::size_t i = 0; i < machine.people().size(); ++i) {
        Profiles::Profile profile;
        ASSERT_TRUE(Profiles::Find(machine.people()[i].sid, profile)) << Narrow(machine.people()[i].sid);
        EXPECT_EQ(profile.folder, machine.folder(i)) << "ProfileImagePath expanded";
        EXPECT_EQ(profile.name, machine.people()[i].name);
    }
    Profiles::Profile none;
    EXPECT_FALSE(Profiles::Find(L"S-1-5-21-1000-2000-3000-1002.bak", none));
    EXPECT_FALSE(Profiles::Find(L"S-1-5-18", none)) << "SYSTEM is no person";
}

TEST(Profiles, AHiveIsUsedAsItIsOrLoadedForTheWorkAndAlwaysGivenBack)
{
    using State = MachineProfiles::State;
    struct Row {
        const wchar_t* name;
        State state;
        bool usable;
        Profiles::Unreachable why;
        DWORD code;
        bool loadedHere;
    };
    const Row rows[] = {
        {L"SignedIn", State::SignedIn, true, Profiles::Unreachable::None, ERROR_SUCCESS, false},
        {L"Away", State::Away, true, Profiles::Unreachable::None, ERROR_SUCCESS, true},
        {L"Held", State::Held, false, Profiles::Unreachable::HiveHeld, ERROR_SHARING_VIOLATION, false},
        {L"NoHive", State::NoHive, false, Profiles::Unreachable::HiveMissing, ERROR_FILE_NOT_FOUND, false},
        {L"Damaged", State::Damaged, false, Profiles::Unreachable::LoadFailed, 0, false},
    };
    CleanVelmora clean;
    std::vector<MachineProfiles::Person> people;
    for (std::size_t i = 0; i < std::size(rows); ++i)
        people.push_back({L"S-1-5-21-7-7-7-" + std::to_wstring(1100 + i), rows[i].name, rows[i].state, {L"Alpha"}});
    MachineProfiles machine(people);
    ASSERT_TRUE(machine.ready());

    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const Row& row = rows[i];
        const std::wstring sid = people[i].sid, product = sid + L"\\Software\\Velmora\\Alpha";
        SCOPED_TRACE(Narrow(row.name));
        Profiles::Profile profile;
        ASSERT_TRUE(Profiles::Find(sid, profile));
        const bool before = Profiles::HiveLoaded(sid);
        EXPECT_EQ(before, row.state == State::SignedIn);
        {
            Profiles::Hive hive(profile);
            EXPECT_EQ(hive.usable(), row.usable);
            EXPECT_EQ(hive.why(), row.why);
            if (row.code) EXPECT_EQ(hive.code(), row.code);
            if (row.why == Profiles::Unreachable::LoadFailed) EXPECT_NE(hive.code(), DWORD(ERROR_SUCCESS));
            EXPECT_EQ(hive.loadedHere(), row.loadedHere);
            EXPECT_EQ(KeyExists(HKEY_USERS, product), row.usable) << "the person's product, while the hive is there";
            EXPECT_EQ(hive.keyPrefix(), L"HKEY_USERS\\" + sid + L"\\");
            EXPECT_EQ(Profiles::Reason(hive.why(), hive.code()).empty(), row.usable);
        }
        EXPECT_EQ(Profiles::HiveLoaded(sid), before) << "a hive loaded for the work is given back, no other";
    }

    // An explicit unload reports, and the destructor then has nothing left to do.
    Profiles::Profile away;
    ASSERT_TRUE(Profiles::Find(people[1].sid, away));
    Profiles::Hive hive(away);
    ASSERT_TRUE(hive.loadedHere());
    EXPECT_TRUE(hive.unload());
    EXPECT_FALSE(hive.loadedHere());
    EXPECT_FALSE(Profiles::HiveLoaded(people[1].sid));
}

TEST(Profiles, ThePrivilegesAreEnabledOnlyForTheirScope)
{
    const auto enabled = [] {
        HANDLE raw = nullptr;
        EXPECT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw));
        ProcessHandle token(raw);
        PRIVILEGE_SET set{1, PRIVILEGE_SET_ALL_NECESSARY, {}};
        EXPECT_TRUE(LookupPrivilegeValueW(nullptr, SE_RESTORE_NAME, &set.Privilege[0].Luid));
        BOOL on = FALSE;
        EXPECT_TRUE(PrivilegeCheck(token.get(), &set, &on));
        return on != FALSE;
    };
    const bool before = enabled();
    {
        const Profiles::Privileges rights({SE_BACKUP_NAME, SE_RESTORE_NAME});
        EXPECT_TRUE(rights.held()) << "Wine's user holds both, as an administrator and SYSTEM do";
        EXPECT_TRUE(enabled());
    }
    EXPECT_EQ(enabled(), before);
    const Profiles::Privileges unknown({L"SeNoSuchPrivilege"});
    EXPECT_FALSE(unknown.held());
}
