#pragma once
// The rules of a removal that need no window: where the product's key is,
// when its backup is safe on disk, and what may be deleted.
#include "platform/Registry.h"
#include "platform/RegistryEditor.h"
#include "removal/BackupCheck.h"
#include "removal/RestoreFile.h"

#include <windows.h>
#include <optional>
#include <string>
#include <vector>

namespace KeyRemoval {

enum class Deletion {
    NotTried,    // not backed up: the key stays
    Deleted,     // the whole subtree is gone
    KeyChanged,  // the key changed since its backup was checked and stays
    FileChanged, // the restore file on disk is no longer the one checked; the key stays
    Refused,     // the registry refused the deletion
};

// The product's key in one register (in one view of the main register),
// and what the removal did with it.
struct Register {
    HKEY root = nullptr;
    std::wstring productRoot; // the product key's parent, below the root
    std::wstring label;       // as the window's texts name the register and view, or the person's register
    std::wstring exportFile;
    bool inScope = false;      // the confirmed scope exports and deletes here
    std::wstring keyPath;      // below the root, as the registry spells it; empty while not found
    std::wstring fullKeyName;  // as the registry editor and the restore file name it
    std::wstring refusedKey;   // a key of the subtree that refuses to be read, by its full name; empty while none does
    bool exported = false;     // the editor ended well
    std::string exportBytes;   // the export as it was checked
    std::vector<Registry::KeyContent> tree; // the subtree as the registry held it then
    bool backedUp = false;     // the restore file on disk brings the subtree back exactly
    std::optional<BackupCheck::Blocked> blocked; // why its export was no backup, when a value tells
    Deletion deletion = Deletion::NotTried;

    bool found() const { return !keyPath.empty(); }
    bool toDelete() const { return inScope && found() && exported; }
};

// The main register's two views (64-bit, then 32-bit) and the user
// register, and whether the scope (the index of the scope selector: 0 both
// registers, 1 user register, 2 main register) takes in each. A removal
// from every person's register puts one place a person in place of the
// user register.
using RegisterSet = std::vector<Register>;
RegisterSet Registers(const RestoreFile::Paths& paths, int scope);

// One person's register, at HKEY_USERS\<SID>, its hive loaded; label names
// the person. Its export is written into exportFolder under a name of its own.
Register PersonRegister(const std::wstring& sid, const std::wstring& label, const std::wstring& exportFolder);

// A name that can only name a product key: not empty, no backslash (which
// would reach a key below a product, or the product root itself).
bool IsProductName(const std::wstring& name);

// Looks for the product's key and learns its stored spelling: the editor
// writes a key as its command line spells it, and an import brings it back
// in that spelling. A key that refuses to be read is found all the same, by
// the name as asked, with refusedKey naming it.
void Find(Register& r, const std::wstring& productName);

// The product's name as the registry spells it in this place (the last
// level of keyPath); empty while not found.
std::wstring StoredName(const Register& r);

// Whether every key of the found product's subtree can be read; when one
// refuses, refusedKey names it. What cannot be read cannot be backed up
// whole.
bool ReadableWhole(Register& r);

// Has the registry editor export the found key with its subtree into
// exportFile and waits for it; exported tells whether it ended well. What an
// editor that failed left behind is deleted.
void Export(Register& r, const RegistryEditor::Seams& seams);

// Reads the register's export and its subtree as the registry holds it now;
// true when the export brings back exactly that subtree.
bool CheckExport(Register& r);

enum class Backup {
    Nothing,    // no key is to go, or no export brings its key back: the old restore file stays
    Replaced,   // the new restore file replaced the old one; backedUp tells which keys it covers
    NotWritten, // the new restore file could not be written or moved: nothing may go, the exports stay
    Taken,      // someone else's file lay where the new restore file goes: nothing may go
};

// Makes the new restore file for the keys that are to go. Each export is
// checked against its subtree as the registry holds it now; only those that
// bring it back exactly are merged. The result is written under a temporary
// name, flushed, read back and checked again, and then it moves in as the
// restore file, the old one kept under a name of its own. restoreBytes
// receives the content that was checked.
Backup SecureBackup(const RestoreFile::Paths& paths, RegisterSet& registers,
                    std::string& restoreBytes);

// Deletes the subtree exactly as it was backed up, while the restore file on
// disk is still the one that was checked (another copy of the program may
// have replaced it meanwhile) and no key of it has changed since.
Deletion DeleteBackedUp(const RestoreFile::Paths& paths, const std::string& restoreBytes, const Register& r);

} // namespace KeyRemoval
