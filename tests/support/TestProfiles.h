#pragma once
// People's profiles made the way the machine makes them: an entry under
// ProfileList naming a folder, and in it an NTUSER.DAT written by RegSaveKeyW
// from a scratch key that holds the person's products. A person is signed in
// (the hive is loaded by the test), away (not loaded), or the hive file is
// held by the test without sharing, as another process may hold it.
#include "platform/Handles.h"
#include "support/TestSupport.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace test {

class MachineProfiles {
public:
    enum class State { SignedIn, Away, Held, NoHive, Damaged };
    struct Person {
        std::wstring sid;
        std::wstring name; // the profile folder's name
        State state = State::Away;
        std::vector<std::wstring> products; // below Software\Velmora, each with InstallDir and Version
    };

    explicit MachineProfiles(std::vector<Person> people);
    ~MachineProfiles();
    MachineProfiles(const MachineProfiles&) = delete;
    MachineProfiles& operator=(const MachineProfiles&) = delete;

    // Whether every profile could be made as asked; why not otherwise.
    testing::AssertionResult ready() const;
    const std::vector<Person>& people() const { return people_; }
    std::wstring folder(std::size_t i) const;
    std::wstring hiveFile(std::size_t i) const { return folder(i) + L"\\NTUSER.DAT"; }
    // Lets go of a held hive file, so that the person can be reached again.
    void release(std::size_t i);

private:
    ScratchFolder root_;
    std::vector<Person> people_;
    std::vector<FileHandle> held_;
    std::wstring problem_;
};

// The three people of the usual case: Anna is signed in, Bernd is away, and
// Clara's hive is held by another process.
std::vector<MachineProfiles::Person> ThreePeople(const std::vector<std::wstring>& annasProducts,
                                                 const std::vector<std::wstring>& berndsProducts,
                                                 const std::vector<std::wstring>& clarasProducts);
inline constexpr wchar_t AnnaSid[] = L"S-1-5-21-1000-2000-3000-1001";
inline constexpr wchar_t BerndSid[] = L"S-1-5-21-1000-2000-3000-1002";
inline constexpr wchar_t ClaraSid[] = L"S-1-5-21-1000-2000-3000-1003";
// The Wine user's own profile, always there and signed in: its hive is HKEY_CURRENT_USER.
inline constexpr wchar_t WineUserSid[] = L"S-1-5-21-0-0-0-1000";

// Whether HKEY_USERS\<sid> is there now.
bool HiveThere(const std::wstring& sid);

} // namespace test
