#pragma once
// What a restore may hand to the registry editor, and when it counts as done.
#include "removal/RegFile.h"

#include <windows.h>

#include <string>
#include <vector>

namespace RestoreCheck {

// Where a key line writes, from the key name as a registry file writes it
// (its levels compared as the registry compares names). Every question of
// which register, view or product a file's key belongs to is answered here.
struct Place {
    HKEY root = nullptr; // HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER or HKEY_USERS; null for any other root
    std::wstring path;   // below the root
    // At or below a product key: its register as the window's texts name it
    // ("Hauptregister", "Hauptregister (32-Bit-Ansicht)", "Benutzerregister")
    // and the product's name. Both empty anywhere else.
    // ("Benutzerregister (Anna)" for a person's register below HKEY_USERS)
    std::wstring registerLabel;
    std::wstring product;
    // Below HKEY_USERS: the person's SID, and whether the line names a
    // person's product root while the machine has no profile of that SID
    // (then it is at no product, and the file is refused).
    std::wstring sid;
    bool profileGone = false;
};
Place PlaceOf(const std::wstring& keyName);

// Whether any key line of the file lies in the register of root
// (HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER).
bool Writes(const RegFile::Content& file, HKEY root);

// The SIDs of the people whose registers the file's product key lines write:
// with gone, those the machine has no profile for any more.
std::vector<std::wstring> PeopleOf(const RegFile::Content& file, bool gone);

// True when the file writes only what a removal could have written: keys at
// or below a product key, "HKEY_LOCAL_MACHINE\Software\Velmora\<name>",
// "HKEY_LOCAL_MACHINE\Software\Wow6432Node\Velmora\<name>" (the main
// register's 32-bit view), "HKEY_CURRENT_USER\Software\Velmora\<name>" or
// "HKEY_USERS\<SID>\Software\Velmora\<name>" for a person's profile of the machine
// (compared without regard to case, no level empty), with their values. A
// file without any key, with a key outside those or a product root itself,
// a deletion, or a key line the import would pass over is refused whole.
bool OnlyProductKeys(const RegFile::Content& file);

// True when every key and every value of the file is in the registry with
// the same type and data (RegFile::SameData), each key in the view its name
// names. Values the file does not name do not matter.
bool InRegistry(const RegFile::Content& file);

} // namespace RestoreCheck
