// /entfernen: the window's removal, with the same verified backup, and its
// preview, which changes nothing.
#include "console/Editor.h"
#include "console/Output.h"
#include "console/Rights.h"
#include "console/Verbs.h"
#include "console/WorkingFolder.h"
#include "catalogue/ProductRow.h"
#include "removal/Counts.h"
#include "removal/Removal.h"

#include <algorithm>
#include <string_view>

namespace Verbs {

namespace {

// A place holds the product when a key of it is there, readable or not.
bool Present(const Removal::PreviewPlace& place) { return !place.keys.empty() || !place.readable; }
bool InMainRegister(const Removal::PreviewPlace& place) { return place.mainRegister; }

// The places of the command's scope: with /alle-benutzer each person's
// register in place of the running account's, the people not reached in unreached.
std::vector<Removal::PreviewPlace> PlacesOf(const Arguments::Command& c, std::vector<People::Unreached>& unreached)
{
    return c.allUsers ? Removal::PreviewEveryone(c.name, c.scope, unreached) : Removal::Preview(c.name, c.scope);
}

// A person that could not be reached is named with why; the run ends with a
// code of its own only when all else was done, since a key that stayed in a
// register that was reached tells more.
Report Naming(Report r, const std::vector<People::Unreached>& unreached)
{
    for (const People::Unreached& u : unreached) r.err += Output::Lines(People::UnreachedLine(u));
    if (!unreached.empty() && r.exitCode == ExitCode::Done) r.exitCode = ExitCode::ProfileUnreachable;
    return r;
}

} // namespace

int RemovalExitCode(const Removal::Outcome& o, const Editor::Starts& starts)
{
    switch (o.result) {
    case Removal::Result::NothingFound:
    case Removal::Result::Removed: return ExitCode::Done;
    case Removal::Result::OldFilesStay:
    case Removal::Result::NoWorkspace: return ExitCode::FolderUnusable;
    case Removal::Result::Unreadable: return ExitCode::EditorOrRights;
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
    // Nothing to do needs nothing: no rights, no folder, no log line. Only
    // where the product is do the rights and the folder count.
    std::vector<People::Unreached> unreached;
    const std::vector<Removal::PreviewPlace> places = PlacesOf(c, unreached);
    if (std::none_of(places.begin(), places.end(), Present)) {
        Report r;
        r.out = Output::Lines(c.name + L": kein Schl\u00fcssel im gew\u00e4hlten Register, nichts zu entfernen.");
        r.err = NameHint(c.name);
        return Naming(r, unreached);
    }
    // A product that cannot be read whole is neither absent nor removable:
    // the removal says which key refused, before rights or the folder count.
    if (std::any_of(places.begin(), places.end(), [](const Removal::PreviewPlace& p) { return !p.readable; })) {
        Editor::Starts none;
        const WorkingFolder::Folder looked = WorkingFolder::Prepare(c.folder, WorkingFolder::Need::Look);
        const Removal::Outcome o = Removal::Remove({c.name, c.scope, looked.path, c.allUsers}, Editor::Seams(none));
        return Naming(RemovalReport(o, none, looked.path, !c.folder.empty()), o.unreached);
    }
    // Without the rights the deletion would be refused after the export:
    // nothing is started, not even the folder made. The console asks for
    // no elevation.
    const bool main = std::any_of(places.begin(), places.end(),
                                  [](const Removal::PreviewPlace& p) { return Present(p) && InMainRegister(p); });
    if (main && Rights::MainRegisterDenied())
        return Refused(ExitCode::EditorOrRights,
                       L"Das Hauptregister kann ohne Administratorrechte nicht ge\u00e4ndert werden. "
                       L"Starten Sie Tessarine als Administrator, oder w\u00e4hlen Sie /register benutzer.");
    const WorkingFolder::Folder folder = WorkingFolder::Prepare(c.folder, WorkingFolder::Need::Create);
    if (!folder.usable()) return FolderRefused(folder);

    Editor::Starts starts;
    const Removal::Outcome o = Removal::Remove({c.name, c.scope, folder.path, c.allUsers}, Editor::Seams(starts));
    return Naming(RemovalReport(o, starts, folder.path, !c.folder.empty()), o.unreached);
}

Report Preview(const Arguments::Command& c)
{
    // Nothing is created, not even the folder: a named one was only looked
    // at, as for every verb that does not use it.
    std::vector<People::Unreached> unreached;
    const std::vector<Removal::PreviewPlace> places = PlacesOf(c, unreached);
    Report r;
    r.out = Output::Lines(L"Vorschau f\u00fcr " + c.name + L"; nichts wird ge\u00e4ndert.");
    for (const Removal::PreviewPlace& place : places)
        for (const Removal::PreviewKey& key : place.keys)
            r.out += key.fullKeyName + L"\t" + Counts::Values(key.values) + Output::EndOfLine;
    r.out += Output::Lines(Removal::PreviewLines(places));
    if (std::none_of(places.begin(), places.end(), Present)) r.err = NameHint(c.name);
    return Naming(r, unreached);
}

} // namespace Verbs
