#pragma once
// The restore of a removal from a restore file in the working folder:
// checked, imported by the registry editor, verified in the registry, then
// kept as Uninstall.bak and deleted. It asks nothing and shows nothing: it
// returns what came of it, and the window and the console present that.
#include "platform/Account.h"
#include "platform/RegistryEditor.h"
#include "removal/RegFile.h"
#include "removal/RestoreFile.h"
#include "removal/RestoreFiles.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace Restore {

struct Request {
    std::wstring file;          // the restore file's full path
    std::wstring workingFolder; // where Uninstall.bak goes and the log is kept
    // What a list showed of the file: the restore imports nothing unless
    // the file held is still that file with those bytes.
    std::optional<RestoreFile::Fingerprint> listed;
    // Whether the account that runs the import is a service account, whose
    // HKEY_CURRENT_USER is no person's register.
    std::function<bool()> serviceAccount = Account::ServiceAccount;
    // Whether the account may not change the main register, asked only of a
    // file that writes there. The console asks for no elevation and refuses
    // such a file up front; without it the editor gives the answer.
    std::function<bool()> mainRegisterDenied = nullptr;
};

enum class Result {
    Done,             // every key and value is back; the file is Uninstall.bak now
    Missing,          // there is no such file
    Changed,          // not the file the list showed any more (replaced, changed or gone)
    NotRead,          // the file cannot be read, or not as an export is read
    Foreign,          // it writes something besides product keys, or nothing at all
    NotImportable,    // it holds values the editor cannot import as they are
    PersonsRegister,  // it writes HKEY_CURRENT_USER, and a service account would import it into its own hive
    MainRegisterDenied, // it writes the main register, which the account may not change: nothing was done
    ProfileUnreachable, // it writes a person's register whose profile is gone or cannot be loaded: nothing was imported
    NoWorkspace,      // no folder of its own for the import could be made: nothing was imported
    CurrentNotKept,   // what the file would overwrite could not be backed up first: nothing was imported
    EditorNotStarted, // the editor could not be started
    NotRestored,      // the editor failed, or not every key and value is back
    NoBackup,         // restored, but Uninstall.bak could not be written
    NotDeleted,       // restored, but the file could not be deleted
};

struct Outcome {
    Result result = Result::Missing;
    std::wstring fileName;   // the file's name, without its folder
    RegFile::Content content; // the file as read
    // The kept restore file that holds what the import overwrote (the
    // products' keys as they were just before it); empty when nothing the
    // file writes was there.
    std::wstring keptCurrent;
    // For ProfileUnreachable: each person whose register could not be
    // reached, one line each, by SID and why.
    std::vector<std::wstring> unreached;
};

// Whether the file is still the one a list showed, with the same bytes;
// false when it is gone or cannot be read. Run asks again while it holds
// the file: this answer serves only to ask no question about another file.
bool StillAsListed(const std::wstring& file, const RestoreFile::Fingerprint& listed);

// The log gets one line for every outcome but Missing, Changed and
// MainRegisterDenied.
Outcome Run(const Request& request, const RegistryEditor::Seams& seams);

// The window's question before a restore of the named file.
// Below it, the products that are there now and that the import will
// overwrite, once their state is kept.
std::wstring Question(const std::wstring& fileName,
                      const std::vector<RestoreFiles::Product>& overwritten = {});
// The message that tells the user the outcome; empty for Done, which the
// window does not report.
std::wstring Message(const Outcome& outcome);

} // namespace Restore
