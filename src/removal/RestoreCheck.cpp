#include "removal/RestoreCheck.h"

#include "catalogue/ProductRow.h"
#include "platform/Handles.h"
#include "platform/KeyName.h"
#include "platform/Profiles.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace RestoreCheck {

namespace {

std::vector<std::wstring_view> Levels(std::wstring_view name)
{
    std::vector<std::wstring_view> levels;
    for (size_t at = 0;;) {
        const size_t slash = name.find(L'\\', at);
        levels.push_back(name.substr(at, slash == std::wstring_view::npos ? slash : slash - at));
        if (slash == std::wstring_view::npos) return levels;
        at = slash + 1;
    }
}

bool AtOrBelowAProduct(const std::wstring& name)
{
    if (PlaceOf(name).product.empty()) return false;
    // No level below the product may be empty either.
    for (const auto& level : Levels(name))
        if (level.empty()) return false;
    return true;
}

bool ValueThere(HKEY key, const std::wstring& name, const RegFile::Value& v)
{
    // Room for more than the file holds, so that longer data shows as such.
    std::string data(v.data.size() + 4, '\0');
    DWORD type = REG_NONE, bytes = DWORD(data.size());
    if (RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &bytes)
        != ERROR_SUCCESS)
        return false;
    data.resize(bytes);
    return type == v.type && RegFile::SameData(type, v.data, data);
}

} // namespace

Place PlaceOf(const std::wstring& keyName)
{
    Place place;
    const size_t slash = keyName.find(L'\\');
    const std::wstring_view root = std::wstring_view(keyName).substr(0, slash);
    if (KeyName::Same(root, ProductRow::MainRootName)) place.root = HKEY_LOCAL_MACHINE;
    else if (KeyName::Same(root, ProductRow::UserRootName)) place.root = HKEY_CURRENT_USER;
    else if (KeyName::Same(root, ProductRow::UsersRootName)) place.root = HKEY_USERS;
    else return place;
    place.path = slash == std::wstring::npos ? std::wstring() : keyName.substr(slash + 1);
    if (place.root == HKEY_USERS) {
        // Below HKEY_USERS only a person's register, as a removal from every
        // person's register wrote it: the product root in the hive of a
        // profile the machine has now.
        const size_t sidEnd = place.path.find(L'\\');
        if (sidEnd == std::wstring::npos) return place;
        place.sid = place.path.substr(0, sidEnd);
        if (!Profiles::IsUserSid(place.sid)) return place;
        const std::wstring prefix = place.sid + L"\\" + ProductRow::ProductRoot + L"\\";
        if (place.path.size() <= prefix.size() || !KeyName::Same(std::wstring_view(place.path).substr(0, prefix.size()), prefix))
            return place;
        Profiles::Profile profile;
        if (!Profiles::Find(place.sid, profile)) {
            place.profileGone = true;
            return place;
        }
        const size_t end = place.path.find(L'\\', prefix.size());
        std::wstring product = place.path.substr(prefix.size(), end == std::wstring::npos ? end : end - prefix.size());
        if (!product.empty()) {
            place.registerLabel = std::wstring(ProductRow::UserLabel) + L" (" + profile.name + L")";
            place.product = std::move(product);
        }
        return place;
    }

    // The product roots of each register, with the labels the removal's
    // messages give them.
    struct ProductRoot {
        HKEY root;
        const wchar_t* path;
        const wchar_t* label;
    };
    static const ProductRoot ProductRoots[] = {
        {HKEY_LOCAL_MACHINE, ProductRow::ProductRoot, ProductRow::MainLabel},
        {HKEY_LOCAL_MACHINE, ProductRow::ProductRoot32, ProductRow::Main32Label},
        {HKEY_CURRENT_USER, ProductRow::ProductRoot, ProductRow::UserLabel},
    };
    for (const ProductRoot& productRoot : ProductRoots) {
        const std::wstring prefix = std::wstring(productRoot.path) + L"\\";
        if (productRoot.root != place.root || place.path.size() <= prefix.size()
            || !KeyName::Same(std::wstring_view(place.path).substr(0, prefix.size()), prefix))
            continue;
        const size_t end = place.path.find(L'\\', prefix.size());
        std::wstring product = place.path.substr(prefix.size(), end == std::wstring::npos ? end : end - prefix.size());
        if (!product.empty()) {
            place.registerLabel = productRoot.label;
            place.product = std::move(product);
        }
        break;
    }
    return place;
}

bool Writes(const RegFile::Content& file, HKEY root)
{
    return std::any_of(file.keys.begin(), file.keys.end(),
                       [root](const RegFile::Key& key) { return PlaceOf(key.name).root == root; });
}

std::vector<std::wstring> PeopleOf(const RegFile::Content& file, bool gone)
{
    std::vector<std::wstring> sids;
    for (const auto& key : file.keys) {
        const Place place = PlaceOf(key.name);
        if (place.sid.empty() || place.profileGone != gone || (!gone && place.product.empty())) continue;
        if (std::none_of(sids.begin(), sids.end(), [&](const std::wstring& s) { return KeyName::Same(s, place.sid); }))
            sids.push_back(place.sid);
    }
    return sids;
}

bool OnlyProductKeys(const RegFile::Content& file)
{
    RegFile::WrittenKeys keys;
    if (!RegFile::Written(file, keys) || keys.empty()) return false;
    for (const auto& key : file.keys)
        if (!AtOrBelowAProduct(key.name)) return false;
    return true;
}

bool InRegistry(const RegFile::Content& file)
{
    RegFile::WrittenKeys keys;
    if (!RegFile::Written(file, keys) || keys.empty()) return false;
    for (const auto& [folded, written] : keys) {
        const Place place = PlaceOf(written.name);
        KeyHandle key;
        if (!place.root || place.path.empty()
            || RegOpenKeyExW(place.root, place.path.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
            return false;
        for (const auto& [foldedValue, v] : written.values)
            if (!ValueThere(key.get(), v->name, *v)) return false;
    }
    return true;
}

} // namespace RestoreCheck
