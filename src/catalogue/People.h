#pragma once
// Every person's own register on the machine, as a fleet tool running as
// SYSTEM reaches it: each profile under ProfileList whose SID is a person's,
// its hive used where it is loaded, otherwise loaded for the work and given
// back at once. Nothing here shows anything; the console names each person
// by its SID and profile folder.
#include "catalogue/Listing.h"
#include "platform/Profiles.h"
#include "platform/Registry.h"

#include <functional>
#include <string>
#include <vector>

namespace People {

// The product root in a person's register, below HKEY_USERS.
std::wstring ProductRoot(const std::wstring& sid);
// "Benutzerregister (Anna, S-1-5-21-...)": a person's register as every
// record and line of the console names it.
std::wstring Label(const Profiles::Profile& profile);

// A profile that could not be reached, and why.
struct Unreached {
    Profiles::Profile profile;
    Profiles::Unreachable why = Profiles::Unreachable::None;
    DWORD code = ERROR_SUCCESS;
};

// "Benutzerregister (Clara, S-1-5-21-...): nicht erreichbar - <why>."
std::wstring UnreachedLine(const Unreached& unreached);

// Runs work once for each person's profile whose register can be reached,
// with its hive under HKEY_USERS\<SID> while work runs; a hive loaded for it
// is unloaded before the next profile is taken. Returns the profiles that
// could not be reached, or whose hive could not be given back.
std::vector<Unreached> ForEach(const std::function<void(const Profiles::Profile&)>& work);

// Every product of one person's register, one place each, as Listing::Places
// gives them; the hive must be there.
std::vector<Listing::Place> PlacesOf(const Profiles::Profile& profile);

// The product's key in one person's register: whether it is there, and for a
// key that is there whether every key of its subtree can be read (the
// refused key's full name otherwise).
struct Found {
    Registry::Presence presence = Registry::Presence::Absent;
    std::wstring fullKeyName; // as the registry editor names it, in the registry's spelling when found
    std::vector<Registry::KeyContent> tree; // without values, only counted
    bool whole = true;
};
Found FindProduct(const Profiles::Profile& profile, const std::wstring& name);

} // namespace People
