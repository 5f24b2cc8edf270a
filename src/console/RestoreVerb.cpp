// /wiederherstellen: the window's restore of a restore file in the working
// folder, with the same checks before and after the editor.
#include "console/Editor.h"
#include "console/Output.h"
#include "console/Rights.h"
#include "console/Verbs.h"
#include "console/WorkingFolder.h"
#include "removal/Restore.h"
#include "removal/RestoreFile.h"

namespace Verbs {

int RestoreExitCode(Restore::Result result)
{
    switch (result) {
    case Restore::Result::Done: return ExitCode::Done;
    case Restore::Result::Missing:
    case Restore::Result::Changed:
    case Restore::Result::NotRead:
    case Restore::Result::Foreign:
    case Restore::Result::NotImportable:
    case Restore::Result::PersonsRegister:
    case Restore::Result::ProfileUnreachable: return ExitCode::RestoreFileRefused;
    case Restore::Result::MainRegisterDenied:
    case Restore::Result::EditorNotStarted: return ExitCode::EditorOrRights;
    case Restore::Result::NoWorkspace: return ExitCode::FolderUnusable;
    case Restore::Result::CurrentNotKept: return ExitCode::KeptNoBackup;
    case Restore::Result::NotRestored:
    case Restore::Result::NoBackup:
    case Restore::Result::NotDeleted: return ExitCode::RestoreIncomplete;
    }
    return ExitCode::Unexpected;
}

Report Restore(const Arguments::Command& c)
{
    // The restore file is read from the folder; a folder that is not there
    // holds none, and is not made for nothing.
    const WorkingFolder::Folder folder = WorkingFolder::Prepare(c.folder, WorkingFolder::Need::Look);
    if (!folder.usable()) return FolderRefused(folder);
    const std::wstring name = c.file.empty() ? std::wstring(RestoreFile::RestoreFileName) : c.file;
    const std::wstring file = folder.path + L"\\" + name;
    if (folder.state != WorkingFolder::State::Ready)
        return Refused(ExitCode::RestoreFileRefused, L"Im Arbeitsordner \"" + folder.path + L"\" liegt keine Datei " + name + L".");

    // Without the rights the import would be refused part way; the restore
    // asks of the file it holds, before anything happens.
    Restore::Request request{file, folder.path, std::nullopt};
    request.mainRegisterDenied = Rights::MainRegisterDenied;
    Editor::Starts starts;
    const Restore::Outcome o = Restore::Run(request, Editor::Seams(starts));

    Report r;
    r.exitCode = RestoreExitCode(o.result);
    if (o.result == Restore::Result::Done) {
        r.out = Output::Lines(L"Die Eintr\u00e4ge aus " + o.fileName + L" sind wiederhergestellt; die Datei liegt jetzt als "
                              + std::wstring(RestoreFile::BackupFileName) + L" im Arbeitsordner \"" + folder.path + L"\".");
        if (!o.keptCurrent.empty())
            r.out += Output::Lines(L"Der bisherige Stand ist in " + o.keptCurrent + L" gesichert; zur\u00fcck zu ihm: "
                                   L"Tessarine /wiederherstellen \"" + o.keptCurrent + L"\" /ordner \"" + folder.path
                                   + L"\"");
        return r;
    }
    if (o.result == Restore::Result::Missing)
        return Refused(r.exitCode, L"Im Arbeitsordner \"" + folder.path + L"\" liegt keine Datei " + name + L".");
    if (o.result == Restore::Result::MainRegisterDenied)
        return Refused(r.exitCode, L"Die Datei " + name + L" schreibt ins Hauptregister; das verlangt Administratorrechte.");
    r.err = Output::Lines(Restore::Message(o));
    if (starts.failed > 0 && starts.rightsMissing())
        r.err += Output::Lines(L"Der Registrierungs-Editor verlangt Administratorrechte.");
    return r;
}

} // namespace Verbs
