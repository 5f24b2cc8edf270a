#pragma once
// The console program's working folder: where restore files are written and
// read and the log is kept. The program's own folder unless /ordner names
// another: fleet tools start programs from a staging folder that they
// delete afterwards, and the restore files must outlive it.
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

// The folder of the running program.
std::wstring ProgramFolder();

// The named folder (the program's folder when empty) as a full path;
// created with the folders above it when create is set and it is missing.
Folder Prepare(const std::wstring& named, bool create);

// The console's words for a folder that cannot be used.
std::wstring Why(const Folder& folder);

} // namespace WorkingFolder
