#pragma once
// The console program's working folder: where restore files are written and
// read and the log is kept. The program's own folder unless /ordner names
// another: fleet tools start programs from a staging folder that they
// delete afterwards, and the restore files must outlive it.
#include "platform/Account.h"

#include <string>

namespace WorkingFolder {

// What a verb does with the folder.
enum class Need {
    Look,   // it reads restore files there, or only names it: a missing folder holds none
    Create, // it writes there: a missing folder is made
};

enum class State {
    Ready,     // the folder is there
    Missing,   // not there, and not to be created
    NotFolder, // the path names a file, or cannot name a folder
    NotMade,   // it could not be created
};

struct Folder {
    State state = State::Missing;
    std::wstring path; // full, without a backslash at its end, as the operations join file names to it

    // The one rule for every verb: a path that is not a folder, or a folder
    // that could not be made, ends the verb; a missing one that the verb only
    // looks at holds nothing.
    bool usable() const { return state == State::Ready || state == State::Missing; }
};

// The folder without /ordner: the program's folder, or for a service account
// %ProgramData%\Velmora\Tessarine, since fleet tools run their programs as
// SYSTEM from a staging folder that they delete afterwards. Empty when the
// shared application data folder cannot be found.
std::wstring DefaultPath(bool serviceAccount);

// The named folder (the default when empty) as a full path, as the verb
// needs it; under Need::Create a missing one is made, each missing level
// with an access list of its own (OwnFolder). Every verb asks here.
Folder Prepare(const std::wstring& named, Need need, bool serviceAccount = Account::ServiceAccount());

// The console's words for a folder that is not usable().
std::wstring Why(const Folder& folder);

} // namespace WorkingFolder
