#pragma once
// The program's only access to the registry. Each operation opens what it
// needs, does one thing and closes it again, except that a key opened for
// reading may serve several value reads; results are flags, counts and
// handles, never status codes.
#include "platform/Handles.h"

#include <windows.h>
#include <optional>
#include <string>
#include <vector>

namespace Registry {

// KEY_READ and KEY_ALL_ACCESS, as the callers pass them.
constexpr REGSAM AccessRead = 0x20019;
constexpr REGSAM AccessAll = 0xF003F;

// Appends the names of the direct subkeys of sSubKey, in enumeration order,
// to sNames and returns how many it read. 0 when the key cannot be opened
// with lAccess, has no subkeys, or the enumeration breaks off; names read
// before a break stay in sNames. A name that cannot be read whole is left
// out without ending the enumeration.
int RegEnumKeys(HKEY hRoot, const std::wstring& sSubKey, REGSAM lAccess,
                std::vector<std::wstring>& sNames);

// True when the key can be opened for reading.
bool RegKeyExists(HKEY hRoot, const std::wstring& sSubKey);

// Whether the key is there: a key that refuses to be opened for reading is
// there all the same. Any answer but "not found" means it may be there, and
// counts as Refused, so that nothing is ever called absent for a reason
// other than its absence.
enum class Presence { Absent, Readable, Refused };
Presence RegKeyPresence(HKEY hRoot, const std::wstring& sSubKey);

// Deletes one key with its values; refused (false) when it has subkeys.
bool RegKeyDelete(HKEY hRoot, const std::wstring& sSubKey);

// The name of the key's last level as the registry stores it, whatever the
// letter case of sSubKey; false when the key cannot be opened for reading.
// Costs one open and one query, however many keys share its parent.
bool RegStoredName(HKEY hRoot, const std::wstring& sSubKey, std::wstring& sName);

// One value as the registry holds it.
struct ValueData {
    std::wstring name; // "" for the default value
    DWORD type = REG_NONE;
    std::string data;
};

// One key of a subtree as it was read: its path below the subtree's top
// ("" for the top itself, levels as the registry stores them), its values,
// how many subkeys it had, when it was last written, and how many values it
// said it had.
struct KeyContent {
    std::wstring path;
    std::vector<ValueData> values;
    DWORD subkeys = 0;
    FILETIME lastWrite{};
    DWORD valueCount = 0;
};

// Every key of the subtree below sSubKey with every value, the top first and
// each key before its subkeys. One registry call per value. False when any
// key or value of it cannot be read, or changes while it is read: a subtree
// that is only partly known is not known. Without values, each key is read
// once and its values only counted. When a key of it is there but refuses to
// be opened for reading, refused (when given) receives its path below
// sSubKey ("" for the top itself) and the answer is false; it stays empty
// for every other failure.
bool RegTreeRead(HKEY hRoot, const std::wstring& sSubKey, std::vector<KeyContent>& sKeys, bool withValues = true,
                 std::optional<std::wstring>* refused = nullptr);

enum class TreeDeletion {
    Deleted, // every key of the subtree is gone
    Changed, // a key is not as it was read: nothing, or only what was read, went
    Failed,  // the registry refused a deletion
};

// Deletes exactly the subtree that RegTreeRead read, and only while it is
// still as read: first every key must still have as many values and subkeys
// and the same last write time; then the keys go bottom-up, each only while
// it still has as many values as read and no subkey left.
TreeDeletion RegTreeDeleteAsRead(HKEY hRoot, const std::wstring& sSubKey, const std::vector<KeyContent>& sKeys);

// Reads one value as text. REG_SZ and REG_EXPAND_SZ arrive as their text
// (unexpanded), a NUL and a blank; REG_DWORD and REG_BINARY of up to four
// bytes as the decimal text of a signed 32-bit number; any other type reads
// successfully and leaves vValue as it was. False, with vValue unchanged,
// when the key or the value cannot be read or a binary value is longer
// than four bytes.
bool RegReadValue(HKEY hRoot, const std::wstring& sSubKey,
                  const std::wstring& sValueName, std::wstring& vValue);

// Opens a key for reading, to read several of its values with one open;
// an empty handle when it cannot be opened.
KeyHandle RegOpenForReading(HKEY hRoot, const std::wstring& sSubKey);

// RegReadValue on a key opened by RegOpenForReading; false, with vValue
// unchanged, when hKey is empty.
bool RegReadValue(HKEY hKey, const std::wstring& sValueName, std::wstring& vValue);

} // namespace Registry
