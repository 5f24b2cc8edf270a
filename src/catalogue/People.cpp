#include "catalogue/People.h"

#include "catalogue/ProductRow.h"
#include "platform/KeyName.h"

namespace People {

std::wstring ProductRoot(const std::wstring& sid) { return sid + L"\\" + ProductRow::ProductRoot; }

std::wstring Label(const Profiles::Profile& profile)
{
    return std::wstring(ProductRow::UserLabel) + L" (" + profile.name + L", " + profile.sid + L")";
}

std::wstring UnreachedLine(const Unreached& u)
{
    return Label(u.profile) + L": nicht erreichbar - " + Profiles::Reason(u.why, u.code) + L".";
}

std::vector<Unreached> ForEach(const std::function<void(const Profiles::Profile&)>& work)
{
    std::vector<Unreached> unreached;
    for (const Profiles::Profile& profile : Profiles::UserProfiles()) {
        Profiles::Hive hive(profile);
        if (hive.usable()) {
            work(profile);
            if (hive.unload()) continue;
        }
        unreached.push_back({profile, hive.why(), hive.code()});
    }
    return unreached;
}

std::vector<Listing::Place> PlacesOf(const Profiles::Profile& profile)
{
    const std::wstring root = ProductRoot(profile.sid), label = Label(profile);
    std::vector<std::wstring> names;
    (void)Registry::RegEnumKeys(HKEY_USERS, root, Registry::AccessRead, names); // none read is none listed
    std::vector<Listing::Place> places;
    for (std::wstring& name : names) {
        if (name.empty()) continue;
        Listing::Place place;
        const std::wstring path = root + L"\\" + name;
        const KeyHandle product = Registry::RegOpenForReading(HKEY_USERS, path);
        std::wstring value;
        if (Registry::RegReadValue(product.get(), L"InstallDir", value)) place.installDir = ProductRow::BeforeNul(value);
        value.clear();
        if (Registry::RegReadValue(product.get(), L"Version", value)) place.version = ProductRow::BeforeNul(value);
        place.key = L"HKEY_USERS\\" + path;
        place.name = std::move(name);
        place.root = HKEY_USERS;
        place.view = label;
        places.push_back(std::move(place));
    }
    return places;
}

Found FindProduct(const Profiles::Profile& profile, const std::wstring& name)
{
    Found found;
    const std::wstring path = ProductRoot(profile.sid) + L"\\" + name;
    found.presence = Registry::RegKeyPresence(HKEY_USERS, path);
    found.fullKeyName = L"HKEY_USERS\\" + path;
    if (found.presence == Registry::Presence::Absent) return found;
    std::wstring stored;
    // The editor writes a key as its command line spells it: the registry's spelling keeps the restore exact.
    if (Registry::RegStoredName(HKEY_USERS, path, stored))
        found.fullKeyName = L"HKEY_USERS\\" + ProductRoot(profile.sid) + L"\\" + stored;
    found.whole = found.presence == Registry::Presence::Readable &&
                  Registry::RegTreeRead(HKEY_USERS, path, found.tree, false);
    return found;
}

} // namespace People
