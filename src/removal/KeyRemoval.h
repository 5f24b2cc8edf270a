#pragma once
// The rules of a removal that need no window: where the product's key is,
// when its backup is safe on disk, and when the key may go.
#include "removal/RestoreFile.h"

#include <windows.h>
#include <array>
#include <string>

namespace KeyRemoval {

// The product's key in one register, and what the removal did with it.
struct Register {
    HKEY root = nullptr;
    const wchar_t* label = L""; // as the window's texts name the register
    std::wstring exportFile;
    bool inScope = false;      // the confirmed scope deletes here
    std::wstring keyPath;      // below the root, as the registry spells it; empty while not found
    std::wstring fullKeyName;  // as the registry editor and the restore file name it
    bool exported = false;     // the editor ended well
    bool backedUp = false;     // the restore file on disk brings the whole key back
    bool deleted = false;

    bool found() const { return !keyPath.empty(); }
    bool toDelete() const { return inScope && found() && exported; }
};

// Both registers, the main register first, and whether the scope (the
// index of the scope selector: 0 both, 1 user register, 2 main register)
// deletes in each.
std::array<Register, 2> Registers(const RestoreFile::Paths& paths, int scope);

// Looks for the product's key and learns its stored spelling: the editor
// writes a key as its command line spells it, and an import brings it back
// in that spelling.
void Find(Register& r, const std::wstring& productName);

enum class Backup {
    Nothing,    // no key is to go, or none is covered: the old restore file stays
    Replaced,   // the new restore file replaced the old one; backedUp tells which keys it covers
    NotWritten, // the new restore file could not be written or moved: nothing may go, the exports stay
};

// Makes the new restore file for the keys that are to go: assembles the
// exports under a temporary name, flushed, checks each key against what the
// disk holds, and only when at least one is covered moves it in as the
// restore file, the old one kept under a name of its own. restoreBytes
// receives the content that was checked.
Backup SecureBackup(const RestoreFile::Paths& paths, std::array<Register, 2>& registers,
                    std::string& restoreBytes);

// Deletes the key with its subtree when it was covered and the restore file
// on disk is still the one that was checked (another copy of the program
// may have replaced it meanwhile). True when the key is gone.
bool DeleteCovered(const RestoreFile::Paths& paths, const std::string& restoreBytes, const Register& r);

} // namespace KeyRemoval
