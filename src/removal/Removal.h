#pragma once
// The removal of a product's keys, after they are backed up through the
// registry editor into the restore file. It asks nothing and shows nothing:
// it returns what it found, exported, verified, deleted or kept, and why;
// the window and the console present that.
#include "catalogue/People.h"
#include "platform/RegistryEditor.h"
#include "removal/KeyRemoval.h"

#include <functional>
#include <string>
#include <vector>

namespace Removal {

struct Request {
    std::wstring name;          // the product's key name, as the listing gave it
    int scope = 0;              // as confirmed: 0 both registers, 1 user register, 2 main register
    std::wstring workingFolder; // where the restore files are written and the log is kept
    // Every person's register (each profile of the machine) in place of the
    // running account's own user register.
    bool everyPerson = false;
};

enum class Result {
    NoName,       // no product named: nothing was touched
    UnsafeName,   // the name cannot be passed to the editor safely: nothing was touched
    NotAProduct,  // the name holds a backslash: it would name a key below a product, or the root
    OldFilesStay, // leftover temporary files could not be cleared: nothing was removed
    NoWorkspace,  // no folder of its own for the exports could be made in the working folder: nothing was removed
    NothingFound, // no key of the product in the scope: nothing to do
    Unreadable,   // a key of the product refuses to be read: nothing was touched, refusedKey tells which
    Removed,      // every key in the scope was backed up, verified and deleted
    Incomplete,   // at least one key stays; registers tell which and why
};

struct Outcome {
    Result result = Result::NoName;
    std::wstring name;
    KeyRemoval::RegisterSet registers{};           // each place as the removal left it
    KeyRemoval::Backup backup = KeyRemoval::Backup::Nothing;
    std::vector<std::wstring> exportsKept;          // exports left behind, named as seen from the working folder
    std::vector<People::Unreached> unreached;       // people whose register could not be reached; nothing of theirs went
};

// False, with refused telling why, for a name that must not reach the
// editor or the registry at all (none, a quote, a backslash).
bool MayTry(const std::wstring& name, Outcome& refused);

// Checks the name, finds the product's keys and reads them whole (a product
// that cannot be read whole is left as it is, with no file touched and no
// log line), clears leftover temporaries, exports and verifies
// the product's keys in the scope, secures the restore file and deletes
// what it covers; the log gets one line. seams.doEvents runs where the
// window may process its events; from the backup check to the last
// deletion nothing runs in between. beforeDeletion, when set, runs once the
// exports are made.
Outcome Remove(const Request& request, const RegistryEditor::Seams& seams,
               const std::function<void()>& beforeDeletion = {});

// The message that tells the user the outcome, as the window shows it.
std::wstring Message(const Outcome& outcome);
// Whether the outcome is a warning rather than information.
bool Warns(const Outcome& outcome);

// What a removal would take, read without changing anything: each place in
// the scope (the main register's views and the user register) with every
// key of the product's subtree and its values count.
struct PreviewKey {
    std::wstring fullKeyName; // as the registry editor names it
    size_t values = 0;
};
struct PreviewPlace {
    std::wstring label;
    bool mainRegister = false;
    std::vector<PreviewKey> keys; // empty: nothing of the product there
    bool readable = true;         // false: the key is there but could not be read whole
    size_t values() const;
};
std::vector<PreviewPlace> Preview(const std::wstring& name, int scope);
// The same for every person's register in place of the running account's:
// one place a person whose register could be reached (each hive loaded for
// the look and given back at once), the others in unreached.
std::vector<PreviewPlace> PreviewEveryone(const std::wstring& name, int scope,
                                          std::vector<People::Unreached>& unreached);

// One line a place: "Hauptregister: 2 Schlüssel, 5 Werte", "... nichts".
std::wstring PreviewLines(const std::vector<PreviewPlace>& places);

} // namespace Removal
