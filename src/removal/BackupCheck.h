#pragma once
// What counts as a backup of a product's key: the rule that decides whether
// the key may be deleted.
#include <windows.h>
#include <string>

namespace BackupCheck {

// True when the registry file's content would bring back the whole subtree
// of sSubKey below hRoot as the registry holds it now: every key of the
// subtree appears in the file as a key line (names compared without regard
// to case), each followed by as many value lines as the key holds values.
// fullKeyName is the subtree's top as the file names it
// ("HKEY_CURRENT_USER\Software\Velmora\Alpha"). False as well when the
// subtree cannot be read completely.
bool Covers(const std::string& fileBytes, HKEY hRoot, const std::wstring& sSubKey,
            const std::wstring& fullKeyName);

} // namespace BackupCheck
