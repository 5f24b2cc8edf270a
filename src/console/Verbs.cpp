#include "console/Verbs.h"

#include "console/AllUsers.h"
#include "console/FilesFormat.h"
#include "console/ListFormat.h"
#include "console/Output.h"
#include "console/Rights.h"
#include "console/WorkingFolder.h"
#include "catalogue/Listing.h"
#include "removal/Removal.h"
#include "removal/RestoreFiles.h"

namespace Verbs {

namespace {

bool TakesMainRegister(int scope) { return scope != Arguments::UserRegister; }

Report List(const Arguments::Command& c)
{
    Report r;
    // Text keeps the window's rows; a script gets every place, so that what
    // it removes by what it read is all there is.
    switch (c.format) {
    case Arguments::Format::Text: r.out = ListFormat::Text(Listing::List(c.scope)); break;
    case Arguments::Format::Csv: r.out = ListFormat::Csv(Listing::Places(c.scope)); break;
    case Arguments::Format::Json: r.out = ListFormat::Json(Listing::Places(c.scope)); break;
    }
    // The listing opens the product root with full access, and without it
    // the main register lists nothing: say so rather than pass for empty.
    if (TakesMainRegister(c.scope) && Rights::MainRegisterDenied()) {
        r.exitCode = ExitCode::EditorOrRights;
        r.err = Output::Lines(L"Das Hauptregister kann ohne Administratorrechte nicht gelesen werden; "
                              L"seine Produkte fehlen in der Liste.");
    }
    return r;
}

Report Check(const Arguments::Command& c)
{
    Report r;
    std::wstring found;
    // A key that refuses to be read is there all the same: a detection that
    // called it absent would call the machine clean.
    for (const Removal::PreviewPlace& place : Removal::Preview(c.name, c.scope))
        if (!place.keys.empty() || !place.readable)
            found += (found.empty() ? L"" : L", ") + place.label
                   + (place.readable ? L"" : L" - nicht vollst\u00e4ndig lesbar");
    if (found.empty()) {
        r.out = Output::Lines(c.name + L": nicht gefunden.");
        r.err = NameHint(c.name);
        return r;
    }
    r.exitCode = ExitCode::Found;
    r.out = Output::Lines(c.name + L": gefunden (" + found + L").");
    return r;
}

// The restore files as the dialog lists them; a folder that is not there
// holds none.
Report Files(const Arguments::Command& c)
{
    const WorkingFolder::Folder folder = WorkingFolder::Prepare(c.folder, WorkingFolder::Need::Look);
    if (!folder.usable()) return FolderRefused(folder);
    std::vector<RestoreFiles::File> files;
    if (folder.state == WorkingFolder::State::Ready) files = RestoreFiles::List(folder.path);
    Report r;
    switch (c.format) {
    case Arguments::Format::Text:
        r.out = files.empty() ? Output::Lines(L"Im Arbeitsordner \"" + folder.path + L"\" liegt keine Wiederherstellungsdatei.")
                              : FilesFormat::Text(files);
        break;
    case Arguments::Format::Csv: r.out = FilesFormat::Csv(files); break;
    case Arguments::Format::Json: r.out = FilesFormat::Json(files); break;
    }
    return r;
}

} // namespace

Report Refused(int exitCode, const std::wstring& why)
{
    Report r;
    r.exitCode = exitCode;
    r.err = Output::Lines(why);
    return r;
}

Report FolderRefused(const WorkingFolder::Folder& folder)
{
    return Refused(ExitCode::FolderUnusable, WorkingFolder::Why(folder));
}

Report Run(const Arguments::Command& c)
{
    if (c.verb == Arguments::Verb::Help) return {ExitCode::Done, Output::Lines(Help()), {}};
    // A folder named for a verb that does not use it must still be a
    // folder: a mistyped path is told, not passed over. The verbs that use
    // it ask for it themselves, named or not.
    const bool usesFolder = c.verb == Arguments::Verb::Files || c.verb == Arguments::Verb::Restore
                         || (c.verb == Arguments::Verb::Remove && !c.preview);
    if (!c.folder.empty() && !usesFolder) {
        const WorkingFolder::Folder folder = WorkingFolder::Prepare(c.folder, WorkingFolder::Need::Look);
        if (!folder.usable()) return FolderRefused(folder);
    }
    // A service account's default folder is not where the program lies: say
    // where the restore files are.
    if (c.folder.empty() && (c.verb == Arguments::Verb::Restore || (c.verb == Arguments::Verb::Remove && !c.preview))
        && Account::ServiceAccount()) {
        Report r = c.verb == Arguments::Verb::Restore ? Restore(c) : Remove(c);
        r.out = Output::Lines(L"Arbeitsordner: " + WorkingFolder::DefaultPath(true)) + r.out;
        return r;
    }
    switch (c.verb) {
    case Arguments::Verb::List: return c.allUsers ? AllUsers::List(c) : List(c);
    case Arguments::Verb::Check: return c.allUsers ? AllUsers::Check(c) : Check(c);
    case Arguments::Verb::Remove: return c.preview ? Preview(c) : Remove(c);
    case Arguments::Verb::Restore: return Restore(c);
    case Arguments::Verb::Files: return Files(c);
    case Arguments::Verb::Help: break;
    }
    return {ExitCode::Done, Output::Lines(Help()), {}};
}

} // namespace Verbs
