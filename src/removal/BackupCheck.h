#pragma once
// What counts as a backup of a product's keys: the rule that decides whether
// they may be deleted.
#include "platform/Registry.h"
#include "removal/RegFile.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace BackupCheck {

// A product's subtree in one register, as read from the registry.
struct Subtree {
    std::wstring fullKeyName; // its top as a registry file names it ("HKEY_CURRENT_USER\Software\...")
    const std::vector<Registry::KeyContent>* keys;
};

// True when importing the file brings back exactly these subtrees: every key
// of each (names compared as the registry compares them), with every value's
// name, type and data (RegFile::SameData), and nothing else: no other key,
// no other value, no deletion, no key line the import would pass over. A
// subtree holding a string value (RegFile::StringType) of odd length is
// never brought back: the import cannot write it as it is.
bool BringsBack(const RegFile::Content& file, std::span<const Subtree> subtrees);

// A value that no backup can hold, so that a user can be told which one
// kept a key: its key's full name as a registry file names it, and its name
// ("" for the default value).
struct Blocked {
    std::wstring key;
    std::wstring value;
};
// The first such value of the subtree, in the order the registry gave it.
std::optional<Blocked> FirstNotRestorable(const Subtree& subtree);

} // namespace BackupCheck
