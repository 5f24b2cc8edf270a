// What a removal would take, read without changing anything.
#include "removal/Removal.h"

#include "platform/Registry.h"
#include "removal/Counts.h"

namespace Removal {

size_t PreviewPlace::values() const
{
    size_t n = 0;
    for (const auto& key : keys) n += key.values;
    return n;
}

namespace {

// One place as the removal would find it; the place's hive must be there.
PreviewPlace Look(KeyRemoval::Register r, const std::wstring& name)
{
    PreviewPlace place;
    place.label = r.label;
    place.mainRegister = r.root == HKEY_LOCAL_MACHINE;
    KeyRemoval::Find(r, name);
    if (r.found()) {
        // Each key is read once; its values are counted, not read.
        std::vector<Registry::KeyContent> tree;
        place.readable = Registry::RegTreeRead(r.root, r.keyPath, tree, false);
        for (const auto& key : tree)
            place.keys.push_back({key.path.empty() ? r.fullKeyName : r.fullKeyName + L"\\" + key.path, key.valueCount});
    }
    return place;
}

} // namespace

std::vector<PreviewPlace> Preview(const std::wstring& name, int scope)
{
    std::vector<PreviewPlace> places;
    // The same places, found the same way, as the removal's; no file is
    // named or written.
    for (auto& r : KeyRemoval::Registers(RestoreFile::PathsIn(L""), scope))
        if (r.inScope) places.push_back(Look(r, name));
    return places;
}

std::vector<PreviewPlace> PreviewEveryone(const std::wstring& name, int scope,
                                          std::vector<People::Unreached>& unreached)
{
    std::vector<PreviewPlace> places;
    for (auto& r : KeyRemoval::Registers(RestoreFile::PathsIn(L""), scope))
        if (r.inScope && r.root == HKEY_LOCAL_MACHINE) places.push_back(Look(r, name));
    unreached = People::ForEach([&](const Profiles::Profile& profile) {
        places.push_back(Look(KeyRemoval::PersonRegister(profile.sid, People::Label(profile), L""), name));
    });
    return places;
}

std::wstring PreviewLines(const std::vector<PreviewPlace>& places)
{
    std::wstring text;
    for (const auto& place : places) {
        if (!text.empty()) text += L"\n";
        text += place.label + L": ";
        if (!place.readable) text += L"nicht vollst\u00e4ndig lesbar";
        else if (place.keys.empty()) text += L"nichts";
        else text += Counts::KeysAndValues(place.keys.size(), place.values());
    }
    return text;
}

} // namespace Removal
