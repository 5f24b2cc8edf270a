#pragma once
// The people's profiles of the machine and their own registers. A profile's
// hive is HKEY_USERS\<SID> while its owner is signed in; otherwise it lies in
// NTUSER.DAT in the profile's folder, and reaching it means loading that file
// under HKEY_USERS\<SID> for as short a time as the work takes: while it is
// loaded, its owner cannot sign in.
#include "platform/Handles.h"

#include <windows.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace Profiles {

// The key that names every profile of the machine, below HKEY_LOCAL_MACHINE.
inline constexpr wchar_t ProfileListKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

struct Profile {
    std::wstring sid;    // "S-1-5-21-..."
    std::wstring folder; // ProfileImagePath with its variables expanded
    std::wstring name;   // the folder's last level, as people know the profile
};

// Whether the SID is a person's account (S-1-5-21-...), not a service's or a
// well-known group's, whose hives hold no person's products.
bool IsUserSid(const std::wstring& sid);

// The profiles under ProfileList whose SID is a person's, in the order the
// key enumerates them. A profile whose ProfileImagePath cannot be read is
// listed with an empty folder: it exists, and Reach says why it cannot be used.
std::vector<Profile> UserProfiles();

// The profile with this SID (compared as the registry compares key names);
// false when the machine has no such person's profile.
bool Find(const std::wstring& sid, Profile& profile);

// Whether HKEY_USERS\<SID> is there now (its owner is signed in, or someone
// loaded it).
bool HiveLoaded(const std::wstring& sid);

// Why a profile's register cannot be used.
enum class Unreachable {
    None,       // it can be used
    HiveHeld,   // another process holds NTUSER.DAT (error 32)
    HiveMissing,// no NTUSER.DAT in the profile's folder, or no folder
    LoadFailed, // the registry refused to load it; code tells why
    UnloadFailed, // it was loaded but could not be given back
};

// A profile's register made available under HKEY_USERS\<SID> for the life of
// the object: used as it is when it is loaded already, otherwise loaded from
// NTUSER.DAT and unloaded again by the destructor, whatever happened between.
// The backup and restore privileges are enabled only around the load and the
// unload, never while the work runs.
class Hive {
public:
    explicit Hive(const Profile& profile);
    ~Hive();
    Hive(const Hive&) = delete;
    Hive& operator=(const Hive&) = delete;

    bool usable() const { return why_ == Unreachable::None; }
    Unreachable why() const { return why_; }
    DWORD code() const { return code_; }
    // Whether this object loaded the hive (and will unload it).
    bool loadedHere() const { return loaded_; }
    // HKEY_USERS\<SID>\ as the registry editor and key lines name it.
    std::wstring keyPrefix() const { return L"HKEY_USERS\\" + sid_ + L"\\"; }
    const std::wstring& sid() const { return sid_; }

    // Gives the hive back now rather than at the end of the scope; true when
    // it was not loaded here or is gone again.
    bool unload();

private:
    std::wstring sid_;
    Unreachable why_ = Unreachable::None;
    DWORD code_ = ERROR_SUCCESS;
    bool loaded_ = false;
};

// The German words for why a profile cannot be used, as the outputs give them.
std::wstring Reason(Unreachable why, DWORD code);

// Enables the named privileges for the life of the object and puts each back
// as it was. held() is false when any could not be enabled.
class Privileges {
public:
    explicit Privileges(std::initializer_list<const wchar_t*> names);
    ~Privileges();
    Privileges(const Privileges&) = delete;
    Privileges& operator=(const Privileges&) = delete;
    bool held() const { return held_; }

private:
    ProcessHandle token_; // the process token, held to put the privileges back
    std::vector<unsigned char> previous_;
    bool held_ = false;
};

} // namespace Profiles
