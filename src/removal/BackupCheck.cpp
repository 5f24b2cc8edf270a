#include "removal/BackupCheck.h"

namespace BackupCheck {

namespace {

// Told from the registry's data, so that no export text for it can pass.
bool Restorable(const Registry::ValueData& v) { return RegFile::Importable(v.type, v.data.size()); }

bool Same(const RegFile::WrittenKey& inFile, const std::vector<Registry::ValueData>& inRegistry)
{
    if (inFile.values.size() != inRegistry.size()) return false;
    for (const auto& v : inRegistry) {
        const auto found = inFile.values.find(RegFile::Folded(v.name));
        if (!Restorable(v) || found == inFile.values.end() || found->second->type != v.type
            || !RegFile::SameData(v.type, found->second->data, v.data))
            return false;
    }
    return true;
}

} // namespace

bool BringsBack(const RegFile::Content& file, std::span<const Subtree> subtrees)
{
    RegFile::WrittenKeys inFile;
    if (!RegFile::Written(file, inFile)) return false;
    size_t expected = 0;
    for (const auto& subtree : subtrees) {
        for (const auto& key : *subtree.keys) {
            const auto found = inFile.find(
                RegFile::Folded(key.path.empty() ? subtree.fullKeyName : subtree.fullKeyName + L"\\" + key.path));
            if (found == inFile.end() || !Same(found->second, key.values)) return false;
        }
        expected += subtree.keys->size();
    }
    // Every key of the file was one of the subtrees' keys.
    return !subtrees.empty() && inFile.size() == expected;
}

std::optional<Blocked> FirstNotRestorable(const Subtree& subtree)
{
    for (const auto& key : *subtree.keys)
        for (const auto& v : key.values)
            if (!Restorable(v))
                return Blocked{key.path.empty() ? subtree.fullKeyName : subtree.fullKeyName + L"\\" + key.path, v.name};
    return std::nullopt;
}

} // namespace BackupCheck
