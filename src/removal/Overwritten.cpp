#include "removal/Overwritten.h"

#include "platform/KeyName.h"
#include "platform/PlainFile.h"
#include "removal/BackupCheck.h"
#include "removal/KeyRemoval.h"
#include "removal/RestoreCheck.h"

#include <algorithm>

namespace Overwritten {

namespace {

// A product the file writes, in its place.
struct Place {
    std::wstring product;
    KeyRemoval::Register r;
};

// Each product the file writes, in its place, found in the registry now.
std::vector<Place> Places(const RegFile::Content& content, const std::wstring& exportFolder)
{
    // Every product of the file once, whether it is there now or not, so
    // that each is looked up once however many key lines it has.
    std::vector<Place> named;
    RegFile::WrittenKeys keys;
    if (!RegFile::Written(content, keys)) return named;
    const KeyRemoval::RegisterSet templates = KeyRemoval::Registers(RestoreFile::PathsIn(exportFolder), 0);
    for (const auto& key : content.keys) {
        const RestoreCheck::Place written = RestoreCheck::PlaceOf(key.name);
        const std::wstring& label = written.registerLabel;
        const bool known = std::any_of(named.begin(), named.end(), [&](const Place& p) {
            return label == p.r.label && KeyName::Same(p.product, written.product);
        });
        if (written.product.empty() || known) continue;
        Place p{written.product, {}};
        if (written.root == HKEY_USERS) {
            // A person's register, its hive loaded by the restore for the import.
            p.r = KeyRemoval::PersonRegister(written.sid, label, exportFolder);
        } else {
            const auto place = std::find_if(templates.begin(), templates.end(),
                                            [&](const KeyRemoval::Register& r) { return label == r.label; });
            if (place == templates.end()) continue;
            p.r = *place;
        }
        named.push_back(std::move(p));
    }
    std::vector<Place> places;
    for (Place& p : named) {
        p.r.exportFile = exportFolder + L"\\Current_" + std::to_wstring(places.size() + 1) + L".reg";
        KeyRemoval::Find(p.r, p.product);
        if (p.r.found()) places.push_back(std::move(p));
    }
    return places;
}

// Moves the checked file in under the next free kept name of this moment.
bool MoveToKeptName(const std::wstring& file, const std::wstring& workingFolder, std::wstring& keptName)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    const RestoreFile::Paths paths = RestoreFile::PathsIn(workingFolder);
    for (int copy = 1; copy <= RestoreFile::MaxKeptCopies; ++copy) {
        // Without MOVEFILE_REPLACE_EXISTING a name that is taken, a link
        // included, refuses the move.
        if (MoveFileExW(file.c_str(), RestoreFile::KeptPath(paths, now, copy).c_str(), MOVEFILE_WRITE_THROUGH)) {
            keptName = RestoreFile::KeptName(now, copy);
            return true;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) return false;
    }
    return false;
}

} // namespace

std::vector<RestoreFiles::Product> Existing(const RegFile::Content& content)
{
    std::vector<RestoreFiles::Product> products;
    for (const auto& p : Places(content, L""))
        products.push_back({KeyRemoval::StoredName(p.r), p.r.label});
    return products;
}

Kept Keep(const RegFile::Content& content, const std::wstring& workingFolder, const Workspace::Folder& space,
          const RegistryEditor::Seams& seams, std::wstring& keptName)
{
    std::vector<Place> places = Places(content, space.path());
    if (places.empty()) return Kept::Nothing;
    // An editor that cannot be started could not import either: that is
    // what the restore then says.
    bool notStarted = false;
    RegistryEditor::Seams watched = seams;
    watched.start = [&](const std::wstring& commandLine, int show) {
        ProcessHandle editor = seams.start(commandLine, show);
        notStarted |= !editor;
        return editor;
    };
    std::string merged;
    std::vector<BackupCheck::Subtree> checked;
    for (auto& [product, r] : places) {
        // A key that refuses to be read cannot be backed up whole.
        if (!r.refusedKey.empty()) return Kept::Failed;
        KeyRemoval::Export(r, watched);
        if (notStarted) return Kept::EditorNotStarted;
        if (!r.exported || !KeyRemoval::CheckExport(r)) return Kept::Failed;
        merged = RestoreFile::Merge(merged, r.exportBytes);
        checked.push_back({r.fullKeyName, &r.tree});
    }
    // What the disk gives back must be what was checked, and nothing more.
    const std::wstring file = space.file(L"Current.reg");
    std::string onDisk;
    if (!PlainFile::WriteNew(file, merged) || !RestoreFile::ReadBytes(file, onDisk)
        || !BackupCheck::BringsBack(RegFile::Read(onDisk), checked))
        return Kept::Failed;
    return MoveToKeptName(file, workingFolder, keptName) ? Kept::Saved : Kept::Failed;
}

} // namespace Overwritten
