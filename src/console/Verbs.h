#pragma once
// The console program's verbs: each runs an operation and turns its outcome
// into lines and an exit code. Nothing is written here; the start-up writes
// the report, so that a verb's words and code can be checked in-process.
#include "console/Arguments.h"
#include "console/Editor.h"
#include "console/ExitCodes.h"
#include "console/WorkingFolder.h"
#include "removal/Removal.h"
#include "removal/Restore.h"

#include <string>

namespace Verbs {

struct Report {
    int exitCode = ExitCode::Done;
    std::wstring out; // for standard output
    std::wstring err; // for standard error: why a command could not be carried out
};

Report Run(const Arguments::Command& command);

// The help: the verbs, their options, and the exit codes.
std::wstring Help();

// The verbs that change the registry, each in its own file.
Report Remove(const Arguments::Command& command);
Report Preview(const Arguments::Command& command);
Report Restore(const Arguments::Command& command);

// The exit code of a removal's outcome, given how the editor's starts went:
// anything removed while something stays is "partly"; nothing removed
// because the editor could not start, or the registry refused, is a
// matter of rights; nothing removed otherwise means no verified backup.
int RemovalExitCode(const Removal::Outcome& outcome, const Editor::Starts& starts);
int RestoreExitCode(Restore::Result result);

// The console's own lines for a removal's outcome (the window keeps its
// message): what went from which register and the command that undoes it
// as output; what stays and why on standard error. folder is the working
// folder's full path; named tells whether the command line named it, so
// that the command to undo names it too.
Report RemovalReport(const Removal::Outcome& outcome, const Editor::Starts& starts, const std::wstring& folder,
                     bool named);
// "Tessarine /wiederherstellen", with /ordner when the folder was named or
// is not the program's own.
std::wstring UndoCommand(const std::wstring& folder, bool named);
// A hint line for a name with blanks at its start or end; empty otherwise.
std::wstring NameHint(const std::wstring& name);

// A report that ends the verb with a reason on standard error.
Report Refused(int exitCode, const std::wstring& why);
// The report for a working folder that is not usable().
Report FolderRefused(const WorkingFolder::Folder& folder);

} // namespace Verbs
