// /entfernen: the window's removal, with the same verified backup, and its
// preview, which changes nothing.
#include "app/console/Editor.h"
#include "app/console/Output.h"
#include "app/console/Rights.h"
#include "app/console/Verbs.h"
#include "app/console/WorkingFolder.h"
#include "removal/Removal.h"

#include <algorithm>

namespace Verbs {

namespace {

std::wstring Values(size_t n) { return std::to_wstring(n) + (n == 1 ? L" Wert" : L" Werte"); }

// What became of one place, in the words of the window's messages.
std::wstring Fate(const KeyRemoval::Register& r)
{
    if (!r.found()) return L"kein Schl\u00fcssel";
    switch (r.deletion) {
    case KeyRemoval::Deletion::Deleted: return L"entfernt";
    case KeyRemoval::Deletion::KeyChanged: return L"bleibt: der Schl\u00fcssel hat sich seit der Sicherung ge\u00e4ndert";
    case KeyRemoval::Deletion::FileChanged:
        return L"bleibt: die Wiederherstellungsdatei hat sich seit der Pr\u00fcfung ge\u00e4ndert";
    case KeyRemoval::Deletion::Refused: return L"bleibt: die Registrierung hat das L\u00f6schen verweigert";
    case KeyRemoval::Deletion::NotTried: break;
    }
    if (!r.exported) return L"bleibt: nicht exportiert";
    return L"bleibt: keine gepr\u00fcfte Sicherung";
}

} // namespace

int RemovalExitCode(const Removal::Outcome& o, const Editor::Starts& starts)
{
    switch (o.result) {
    case Removal::Result::NothingFound:
    case Removal::Result::Removed: return ExitCode::Done;
    case Removal::Result::OldFilesStay:
    case Removal::Result::NoWorkspace: return ExitCode::FolderUnusable;
    case Removal::Result::NoName:
    case Removal::Result::NotAProduct: return ExitCode::BadCommandLine;
    case Removal::Result::UnsafeName: return ExitCode::KeptNoBackup;
    case Removal::Result::Incomplete: break;
    }
    const auto& places = o.registers;
    if (std::any_of(places.begin(), places.end(),
                    [](const KeyRemoval::Register& r) { return r.deletion == KeyRemoval::Deletion::Deleted; }))
        return ExitCode::PartlyRemoved;
    if (starts.failed > 0) return ExitCode::EditorOrRights;
    if (std::any_of(places.begin(), places.end(),
                    [](const KeyRemoval::Register& r) { return r.deletion == KeyRemoval::Deletion::Refused; }))
        return ExitCode::EditorOrRights;
    return ExitCode::KeptNoBackup;
}

Report Remove(const Arguments::Command& c)
{
    // Without the rights the deletion would be refused after the export:
    // nothing is started, not even the folder made. The console asks for
    // no elevation.
    if (c.scope != Arguments::UserRegister && Rights::MainRegisterDenied())
        return Refused(ExitCode::EditorOrRights,
                       L"Das Hauptregister kann ohne Administratorrechte nicht ge\u00e4ndert werden. "
                       L"Starten Sie Tessarine als Administrator, oder w\u00e4hlen Sie /register benutzer.");
    const WorkingFolder::Folder folder = WorkingFolder::Prepare(c.folder, true);
    if (folder.state != WorkingFolder::State::Ready) return Refused(ExitCode::FolderUnusable, WorkingFolder::Why(folder));

    Editor::Starts starts;
    const Removal::Outcome o = Removal::Remove({c.name, c.scope, folder.path}, Editor::Seams(starts));

    Report r;
    r.exitCode = RemovalExitCode(o, starts);
    if (o.result == Removal::Result::NothingFound) {
        r.out = Output::Lines(c.name + L": kein Schl\u00fcssel im gew\u00e4hlten Register, nichts zu entfernen.");
        return r;
    }
    r.out = Output::Lines(Removal::Message(o));
    for (const KeyRemoval::Register& place : o.registers)
        if (place.inScope) r.out += Output::Lines(std::wstring(place.label) + L": " + Fate(place));
    if (o.backup == KeyRemoval::Backup::Replaced)
        r.out += Output::Lines(L"Wiederherstellungsdatei: " + RestoreFile::PathsIn(folder.path).restore);
    for (const std::wstring& kept : o.exportsKept) r.out += Output::Lines(L"Export bleibt: " + kept);
    if (starts.failed > 0) {
        r.out += Output::Lines(starts.rightsMissing()
                                   ? L"Der Registrierungs-Editor verlangt Administratorrechte."
                                   : L"Der Registrierungs-Editor konnte nicht gestartet werden.");
    }
    return r;
}

Report Preview(const Arguments::Command& c)
{
    // Nothing is created, not even the folder: it is only looked at.
    if (!c.folder.empty()) {
        const WorkingFolder::Folder folder = WorkingFolder::Prepare(c.folder, false);
        if (folder.state == WorkingFolder::State::NotFolder)
            return Refused(ExitCode::FolderUnusable, WorkingFolder::Why(folder));
    }
    const std::vector<Removal::PreviewPlace> places = Removal::Preview(c.name, c.scope);
    Report r;
    r.out = Output::Lines(L"Vorschau f\u00fcr " + c.name + L"; nichts wird ge\u00e4ndert.");
    for (const Removal::PreviewPlace& place : places)
        for (const Removal::PreviewKey& key : place.keys)
            r.out += key.fullKeyName + L"\t" + Values(key.values) + Output::EndOfLine;
    r.out += Output::Lines(Removal::PreviewLines(places));
    return r;
}

} // namespace Verbs
