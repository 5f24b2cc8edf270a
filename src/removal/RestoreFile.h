#pragma once
// The restore file Uninstall.reg and the temporary exports it is assembled
// from, all in the working folder.
//
// The registry editor writes each export as UTF-16LE text: the byte order
// mark FF FE, the header line "Windows Registry Editor Version 5.00" and the
// keys. Merging keeps the main-register export whole and appends the
// user-register export from the line end after its header on, so that the
// restore file has one byte order mark and one header, at the start. No
// extra line end is written: every export already ends with a blank line.
#include <string>
#include <vector>

namespace RestoreFile {

struct Paths {
    std::wstring mainExport; // Uninstall_1.reg, the main register's key
    std::wstring userExport; // Uninstall_2.reg, the user register's key
    std::wstring restore;    // Uninstall.reg
    std::wstring backup;     // Uninstall.bak
};

// The working folder's path followed directly by "\Uninstall_1.reg" and so on.
Paths PathsIn(const std::wstring& workingFolder);

// Deletes leftover exports and the previous restore file. True when none of
// the three is left.
bool Clear(const Paths& paths);

enum class Assembly {
    NoExport, // neither export exists: there is no restore file
    Written,  // the restore file holds every export; the exports are gone
    Failed,   // the restore file could not be written; the exports are kept
};

// Merges both exports, or copies the one that exists, into the restore file.
Assembly Assemble(const Paths& paths);

// The names of the keys a registry file holds, as written in it
// ("HKEY_CURRENT_USER\Software\..."); empty when it cannot be read.
std::vector<std::wstring> KeysIn(const std::wstring& file);

// True when the file holds the key, compared without regard to case.
bool Holds(const std::wstring& file, const std::wstring& fullKeyName);

// True when every key ("HKEY_LOCAL_MACHINE\..." or "HKEY_CURRENT_USER\...")
// exists in the registry.
bool KeysPresent(const std::vector<std::wstring>& fullKeyNames);

// The whole file as bytes; false when it cannot be read.
bool ReadBytes(const std::wstring& file, std::string& bytes);

} // namespace RestoreFile
