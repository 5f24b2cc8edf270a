#pragma once
// What a restore overwrites. The import writes a restore file's keys over
// whatever is there now: when a product was installed again after its
// removal, the new install's values would be replaced and kept nowhere.
// So before the import, the keys the file writes that exist now are backed
// up as a removal backs them up (exported, each export checked against the
// registry) and kept as a restore file of the working folder, so that the
// restore itself can be undone.
#include "platform/RegistryEditor.h"
#include "removal/RegFile.h"
#include "removal/RestoreFiles.h"
#include "removal/Workspace.h"

#include <string>
#include <vector>

namespace Overwritten {

// The products whose keys the file writes and that have a key now, each in
// the place (register and view) the file's key lines name.
std::vector<RestoreFiles::Product> Existing(const RegFile::Content& content);

enum class Kept {
    Nothing, // nothing the file writes is there now
    Saved,   // kept as a restore file; keptName names it
    Failed,  // what is there now could not be backed up whole: nothing may be imported
    EditorNotStarted, // the editor could not be started for the backup: nothing may be imported
};

// Backs up the products that Existing names, their whole subtrees, through
// the editor into the workspace, checks every export, and moves the merged,
// re-read and re-checked file to the next free kept name in the working
// folder (never over a name that is taken).
Kept Keep(const RegFile::Content& content, const std::wstring& workingFolder, const Workspace::Folder& space,
          const RegistryEditor::Seams& seams, std::wstring& keptName);

} // namespace Overwritten
