#include "removal/BackupCheck.h"

#include "platform/Registry.h"
#include "removal/RestoreFile.h"

#include <unordered_map>

namespace BackupCheck {

namespace {

// The registry compares key names without regard to case; one fixed upper
// case of each name, independent of the user's language, is the key of the
// lookup.
std::wstring Folded(std::wstring_view name)
{
    std::wstring folded(name);
    if (!folded.empty()
        && LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, name.data(), int(name.size()),
                         folded.data(), int(folded.size()), nullptr, nullptr, 0) != int(folded.size()))
        return std::wstring(name); // unchanged: a mismatch can only refuse
    return folded;
}

// The number of value lines below each key line of a registry file. A value
// line begins with the value's quoted name or with @ for the default value;
// the continuation lines of long data begin with blanks and do not count.
std::unordered_map<std::wstring, int> ValuesPerKey(const std::string& fileBytes)
{
    std::unordered_map<std::wstring, int> values;
    int* current = nullptr;
    RestoreFile::ForEachLine(RestoreFile::TextOf(fileBytes), [&](std::wstring_view line) {
        if (line.size() > 2 && line.front() == L'[' && line.back() == L']')
            current = &values[Folded(line.substr(1, line.size() - 2))];
        else if (current && !line.empty() && (line.front() == L'"' || line.front() == L'@'))
            ++*current;
    });
    return values;
}

} // namespace

bool Covers(const std::string& fileBytes, HKEY hRoot, const std::wstring& sSubKey,
            const std::wstring& fullKeyName)
{
    std::vector<Registry::KeyShape> keys;
    if (!Registry::RegTreeShape(hRoot, sSubKey, keys)) return false;
    const auto inFile = ValuesPerKey(fileBytes);
    for (const auto& key : keys) {
        const auto found = inFile.find(Folded(key.path.empty() ? fullKeyName : fullKeyName + L"\\" + key.path));
        if (found == inFile.end() || found->second != int(key.values)) return false;
    }
    return true;
}

} // namespace BackupCheck
