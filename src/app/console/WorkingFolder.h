#pragma once
// The console program's working folder: where restore files are written and
// read and the log is kept. The program's own folder unless /ordner names
// another: fleet tools start programs from a staging folder that they
// delete afterwards, and the restore files must outlive it.
#include "platform/Account.h"

#include <string>

namespace WorkingFolder {

enum class State {
    Ready,     // the folder is there
    Missing,   // not there, and not to be created
    NotFolder, // the path names a file, or cannot name a folder
    NotMade,   // it could not be created
};

struct Folder {
    State state = State::Missing;
    std::wstring path; // full, without a backslash at its end, as the operations join file names to it
};

// The folder without /ordner: the program's folder, or for a service account
// %ProgramData%\Velmora\Tessarine, since fleet tools run their programs as
// SYSTEM from a staging folder that they delete afterwards. Empty when the
// shared application data folder cannot be found.
std::wstring DefaultPath(bool serviceAccount);

// The named folder (the default when empty) as a full path; created when
// create is set and it is missing, each missing level with an access list of
// its own (OwnFolder).
Folder Prepare(const std::wstring& named, bool create, bool serviceAccount = Account::ServiceAccount());

// The console's words for a folder that cannot be used.
std::wstring Why(const Folder& folder);

} // namespace WorkingFolder
