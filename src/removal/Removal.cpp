// Removal of a product's keys, after they are backed up through the
// registry editor into the restore file.
#include "removal/Removal.h"

#include "platform/Dateiexistenz.h"
#include "platform/Profiles.h"
#include "removal/OperationLog.h"
#include "removal/RestoreFile.h"
#include "removal/Workspace.h"

#include <algorithm>
#include <memory>

namespace Removal {

namespace {

constexpr wchar_t Removed[] =
    L"Die Eintr\u00e4ge wurden aus dem Velmora Haupt- und Benutzerregister entfernt.   \n"
    L"Eine Wiederherstellungsdatei der Registrierung wurde im Arbeitsordner erstellt.   \n"
    L"Klicken Sie die Datei ''Uninstall.reg'' an, um den Eintrag wiederherzustellen.";
constexpr wchar_t NoProduct[] =
    L"Bitte w\u00e4hlen Sie zuerst ein Produkt in der Liste aus.   ";
constexpr wchar_t UnsafeName[] =
    L"Der Produktname enth\u00e4lt ein Anf\u00fchrungszeichen und kann nicht sicher an den "
    L"Registrierungseditor \u00fcbergeben werden.   \nEs wurde nichts entfernt.";
constexpr wchar_t NotAProduct[] =
    L"Ein Produktname enth\u00e4lt keinen umgekehrten Schr\u00e4gstrich.   \nEs wurde nichts entfernt.";
constexpr wchar_t OldFilesStay[] =
    L"Die alten tempor\u00e4ren Dateien im Arbeitsordner konnten nicht gel\u00f6scht werden.   \n"
    L"Es wurde nichts entfernt.";
constexpr wchar_t NoWorkspace[] =
    L"Im Arbeitsordner konnte kein Ordner f\u00fcr die Exporte angelegt werden.   \n"
    L"Es wurde nichts entfernt.";
constexpr wchar_t NotFound[] =
    L"Die Eintr\u00e4ge wurden in der Registrierung nicht gefunden.   \nEs wurde nichts entfernt.";
constexpr wchar_t Unreadable[] =
    L"Die Eintr\u00e4ge k\u00f6nnen nicht vollst\u00e4ndig gelesen werden.   ";
constexpr wchar_t KeyRefused[] = L": Der Schl\u00fcssel ''";
constexpr wchar_t RefusesReading[] = L"'' verweigert das Lesen.";
constexpr wchar_t NothingRemoved[] = L"Es wurde nichts entfernt.";
constexpr wchar_t Incomplete[] = L"Die Eintr\u00e4ge wurden nicht vollst\u00e4ndig entfernt.   ";
constexpr wchar_t NotBackedUp[] =
    L": Der Eintrag ist noch vorhanden, weil keine Sicherung erstellt werden konnte.";
constexpr wchar_t NotDeleted[] =
    L": Der Eintrag ist noch vorhanden, weil er nicht gel\u00f6scht werden konnte.";
constexpr wchar_t KeyChanged[] =
    L": Der Eintrag ist noch vorhanden, weil er sich w\u00e4hrend des Entfernens ge\u00e4ndert hat.";
constexpr wchar_t FileChanged[] =
    L": Der Eintrag ist noch vorhanden, weil die Wiederherstellungsdatei vor dem L\u00f6schen "
    L"ver\u00e4ndert wurde.";
constexpr wchar_t RestoreFileMade[] =
    L"Eine Wiederherstellungsdatei der Registrierung wurde im Arbeitsordner erstellt.   ";
constexpr wchar_t NotWritten[] = L"Die Wiederherstellungsdatei konnte nicht geschrieben werden";
constexpr wchar_t PendingTaken[] =
    L"Im Arbeitsordner liegt eine fremde Datei ''Uninstall.tmp''; die Wiederherstellungsdatei "
    L"wurde nicht geschrieben.   ";
constexpr wchar_t OldFileKept[] =
    L"Die bisherige Wiederherstellungsdatei ''Uninstall.reg'' bleibt unver\u00e4ndert.   ";

const wchar_t* Why(KeyRemoval::Deletion deletion)
{
    switch (deletion) {
    case KeyRemoval::Deletion::KeyChanged: return KeyChanged;
    case KeyRemoval::Deletion::FileChanged: return FileChanged;
    case KeyRemoval::Deletion::Refused: return NotDeleted;
    default: return NotBackedUp;
    }
}

std::wstring FileNameOf(const std::wstring& path) { return path.substr(path.find_last_of(L'\\') + 1); }

// The exports that the restore file could not take in are the only copies:
// each moves to its name in the working folder, where the user finds it, and
// a name taken there (by anything, a link included) leaves it in the
// workspace, which then stays. Their names, as seen from the working folder.
std::vector<std::wstring> KeepExports(const KeyRemoval::RegisterSet& registers, const std::wstring& workingFolder,
                                      Workspace::Folder& space)
{
    // Told in the order of their names, as the user finds them.
    std::vector<const std::wstring*> files;
    for (const KeyRemoval::Register& r : registers) files.push_back(&r.exportFile);
    std::sort(files.begin(), files.end(),
              [](const std::wstring* a, const std::wstring* b) { return FileNameOf(*a) < FileNameOf(*b); });
    std::vector<std::wstring> kept;
    for (const std::wstring* file : files) {
        if (!Dateiexistenz::FileExists(*file)) continue;
        const std::wstring name = FileNameOf(*file);
        // Without MOVEFILE_REPLACE_EXISTING nothing under the name is written.
        if (MoveFileExW(file->c_str(), (workingFolder + L"\\" + name).c_str(), MOVEFILE_WRITE_THROUGH)) {
            kept.push_back(name);
        } else {
            space.keep();
            kept.push_back(space.name() + L"\\" + name);
        }
    }
    return kept;
}

// "; die Exporte ''Uninstall_1.reg'' und ''Uninstall_2.reg'' bleiben ...":
// the exports that are there, as the user finds them in the folder.
std::wstring ExportsStay(const std::vector<std::wstring>& kept)
{
    if (kept.empty()) return L".   ";
    std::wstring names;
    for (size_t i = 0; i < kept.size(); ++i) {
        if (i > 0) names += i + 1 == kept.size() ? L" und " : L", ";
        names += L"''" + kept[i] + L"''";
    }
    return kept.size() == 1 ? L"; der Export " + names + L" bleibt im Arbeitsordner erhalten.   "
                            : L"; die Exporte " + names + L" bleiben im Arbeitsordner erhalten.   ";
}

// Says which register's key is still there, and why.
std::wstring Report(const Outcome& outcome)
{
    std::wstring text = Incomplete;
    for (const auto& r : outcome.registers) {
        if (!r.inScope || !r.found() || r.deletion == KeyRemoval::Deletion::Deleted) continue;
        text += L"\n" + r.label + Why(r.deletion);
    }
    if (outcome.backup == KeyRemoval::Backup::NotWritten)
        text += std::wstring(L"\n") + NotWritten + ExportsStay(outcome.exportsKept);
    if (outcome.backup == KeyRemoval::Backup::Taken) text += std::wstring(L"\n") + PendingTaken;
    text += L"\n";
    text += outcome.backup == KeyRemoval::Backup::Replaced ? RestoreFileMade : OldFileKept;
    return text;
}

// Names each key that refused to be read.
std::wstring UnreadableReport(const Outcome& outcome)
{
    std::wstring text = Unreadable;
    for (const auto& r : outcome.registers)
        if (r.inScope && !r.refusedKey.empty())
            text += L"\n" + r.label + KeyRefused + r.refusedKey + RefusesReading;
    return text + L"\n" + NothingRemoved;
}

// The log's line: what went, from which register, and the file that can
// bring it back.
OperationLog::Entry Logged(const Outcome& outcome)
{
    // The product as the registry spells it where it was found first: the
    // name asked for may differ in letter case.
    std::wstring name = outcome.name;
    for (const auto& r : outcome.registers)
        if (r.inScope && r.found()) {
            name = KeyRemoval::StoredName(r);
            break;
        }
    std::wstring message = Message(outcome);
    for (const People::Unreached& u : outcome.unreached) message += L"\n" + People::UnreachedLine(u);
    OperationLog::Entry entry{OperationLog::Removal, {name}, {}, message,
                              outcome.backup == KeyRemoval::Backup::Replaced ? RestoreFile::RestoreFileName : L""};
    for (const auto& r : outcome.registers) {
        if (r.deletion != KeyRemoval::Deletion::Deleted) continue;
        RestoreFiles::RegisterCount count{r.label, r.tree.size(), 0};
        for (const auto& key : r.tree) count.values += key.values.size();
        entry.registers.push_back(count);
    }
    return entry;
}

} // namespace

bool MayTry(const std::wstring& name, Outcome& refused)
{
    refused = Outcome{};
    refused.name = name;
    // Without a name the key path would be the product root itself.
    if (name.empty()) refused.result = Result::NoName;
    // A quote would end the key's argument on the editor's command line.
    else if (name.find(L'"') != std::wstring::npos) refused.result = Result::UnsafeName;
    else if (!KeyRemoval::IsProductName(name)) refused.result = Result::NotAProduct;
    else return true;
    return false;
}

Outcome Remove(const Request& request, const RegistryEditor::Seams& seams, const std::function<void()>& beforeDeletion)
{
    Outcome outcome;
    outcome.name = request.name;
    if (!MayTry(request.name, outcome)) return outcome;

    outcome.registers = KeyRemoval::Registers(RestoreFile::PathsIn(request.workingFolder), request.scope);
    // Each person's hive that holds the product stays loaded until the
    // removal ends; these owners give every one back, also on the way out
    // of a failure.
    std::vector<std::unique_ptr<Profiles::Hive>> hives;
    if (request.everyPerson) {
        const bool people = std::any_of(outcome.registers.begin(), outcome.registers.end(), [](const auto& r) {
            return r.root == HKEY_CURRENT_USER && r.inScope;
        });
        std::erase_if(outcome.registers, [](const KeyRemoval::Register& r) { return r.root == HKEY_CURRENT_USER; });
        for (const Profiles::Profile& profile : people ? Profiles::UserProfiles() : std::vector<Profiles::Profile>{}) {
            auto hive = std::make_unique<Profiles::Hive>(profile);
            if (!hive->usable()) {
                outcome.unreached.push_back({profile, hive->why(), hive->code()});
                continue;
            }
            KeyRemoval::Register r =
                KeyRemoval::PersonRegister(profile.sid, People::Label(profile), request.workingFolder);
            KeyRemoval::Find(r, request.name);
            if (r.found()) {
                outcome.registers.push_back(std::move(r));
                hives.push_back(std::move(hive));
            } else if (!hive->unload()) {
                outcome.unreached.push_back({profile, hive->why(), hive->code()});
            }
        }
    }
    // A part that cannot be read cannot be backed up, and the rest without it
    // is not the product: nothing is touched, not even a file.
    bool readable = true;
    for (auto& r : outcome.registers) {
        if (!r.inScope) continue;
        if (r.root != HKEY_USERS) KeyRemoval::Find(r, request.name);
        readable &= KeyRemoval::ReadableWhole(r);
    }
    if (!readable) {
        outcome.result = Result::Unreadable;
        return outcome;
    }
    // A leftover pending file that stays could pass for the new restore file.
    if (!RestoreFile::ClearTemporaries(RestoreFile::PathsIn(request.workingFolder))) {
        outcome.result = Result::OldFilesStay;
        OperationLog::Append(request.workingFolder, Logged(outcome));
        return outcome;
    }
    // The editor writes each export through whatever lies under its name:
    // it writes them where only this removal puts anything.
    Workspace::Folder space(request.workingFolder);
    if (!space.made()) {
        outcome.result = Result::NoWorkspace;
        OperationLog::Append(request.workingFolder, Logged(outcome));
        return outcome;
    }
    const RestoreFile::Paths paths = RestoreFile::PathsIn(request.workingFolder, space.path());
    for (auto& r : outcome.registers) r.exportFile = space.file(FileNameOf(r.exportFile));
    seams.doEvents();

    // Only the registers of the confirmed scope are exported: a restore
    // must not roll back a key that was never removed.
    for (auto& r : outcome.registers)
        if (r.inScope && r.found()) KeyRemoval::Export(r, seams);
    if (beforeDeletion) beforeDeletion();
    seams.doEvents();

    // From here to the last deletion no window event runs: the registry and
    // the restore file are as they were checked.
    std::string restoreBytes;
    outcome.backup = KeyRemoval::SecureBackup(paths, outcome.registers, restoreBytes);
    bool allGone = true, anyFound = false;
    for (auto& r : outcome.registers) {
        if (!r.inScope || !r.found()) continue;
        anyFound = true;
        r.deletion = KeyRemoval::DeleteBackedUp(paths, restoreBytes, r);
        allGone &= r.deletion == KeyRemoval::Deletion::Deleted;
    }
    outcome.result = !anyFound ? Result::NothingFound : allGone ? Result::Removed : Result::Incomplete;
    outcome.exportsKept = KeepExports(outcome.registers, request.workingFolder, space);
    // Given back before the log tells the run, so that a hive that stays is told there too.
    for (auto& hive : hives)
        if (!hive->unload()) {
            Profiles::Profile profile;
            (void)Profiles::Find(hive->sid(), profile); // a profile gone meanwhile is named by its SID alone
            profile.sid = hive->sid();
            outcome.unreached.push_back({profile, hive->why(), hive->code()});
        }
    OperationLog::Append(request.workingFolder, Logged(outcome));
    return outcome;
}

std::wstring Message(const Outcome& outcome)
{
    switch (outcome.result) {
    case Result::NoName: return NoProduct;
    case Result::UnsafeName: return UnsafeName;
    case Result::NotAProduct: return NotAProduct;
    case Result::OldFilesStay: return OldFilesStay;
    case Result::NoWorkspace: return NoWorkspace;
    case Result::NothingFound: return NotFound;
    case Result::Unreadable: return UnreadableReport(outcome);
    case Result::Removed: return Removed;
    case Result::Incomplete: break;
    }
    return Report(outcome);
}

bool Warns(const Outcome& outcome)
{
    return outcome.result == Result::UnsafeName || outcome.result == Result::NotAProduct
        || outcome.result == Result::OldFilesStay || outcome.result == Result::Unreadable
        || outcome.result == Result::Incomplete;
}

} // namespace Removal
