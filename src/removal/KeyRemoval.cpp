#include "removal/KeyRemoval.h"

#include "catalogue/ProductRow.h"
#include "platform/PlainFile.h"
#include "removal/BackupCheck.h"
#include "removal/RegFile.h"

namespace KeyRemoval {

namespace {

BackupCheck::Subtree SubtreeOf(const Register& r) { return {r.fullKeyName, &r.tree}; }

} // namespace

void Export(Register& r, const RegistryEditor::Seams& seams)
{
    ProcessHandle editor = seams.start(RegistryEditor::ExportCommand(r.exportFile, r.fullKeyName),
                                       RegistryEditor::ShowMinimized);
    seams.doEvents();
    r.exported = RegistryEditor::EndedWell(editor.get(), seams);
    // What an editor that failed or was ended left behind is no backup.
    if (!r.exported) (void)PlainFile::Remove(r.exportFile);
}

bool CheckExport(Register& r)
{
    if (!RestoreFile::ReadBytes(r.exportFile, r.exportBytes)
        || !Registry::RegTreeRead(r.root, r.keyPath, r.tree))
        return false;
    const BackupCheck::Subtree subtree[] = {SubtreeOf(r)};
    return BackupCheck::BringsBack(RegFile::Read(r.exportBytes), subtree);
}

RegisterSet Registers(const RestoreFile::Paths& paths, int scope)
{
    auto make = [](HKEY root, const wchar_t* productRoot, const wchar_t* label, const std::wstring& exportFile,
                   bool inScope) {
        Register r;
        r.root = root;
        r.productRoot = productRoot;
        r.label = label;
        r.exportFile = exportFile;
        r.inScope = inScope;
        return r;
    };
    const bool main = scope == 0 || scope == 2, user = scope == 0 || scope == 1;
    return {make(HKEY_LOCAL_MACHINE, ProductRow::ProductRoot, ProductRow::MainLabel, paths.mainExport, main),
            make(HKEY_LOCAL_MACHINE, ProductRow::ProductRoot32, ProductRow::Main32Label, paths.mainExport32, main),
            make(HKEY_CURRENT_USER, ProductRow::ProductRoot, ProductRow::UserLabel, paths.userExport, user)};
}

Register PersonRegister(const std::wstring& sid, const std::wstring& label, const std::wstring& exportFolder)
{
    Register r;
    r.root = HKEY_USERS;
    r.productRoot = sid + L"\\" + ProductRow::ProductRoot;
    r.label = label;
    // The SID makes the name; nothing else in the workspace is named so.
    r.exportFile = exportFolder + L"\\Uninstall_" + sid + L".reg";
    r.inScope = true;
    return r;
}

bool IsProductName(const std::wstring& name)
{
    return !name.empty() && name.find(L'\\') == std::wstring::npos;
}

void Find(Register& r, const std::wstring& productName)
{
    if (!IsProductName(productName)) return;
    const std::wstring path = ProductRow::KeyPath(productName, r.productRoot.c_str());
    std::wstring stored = productName;
    const Registry::Presence presence = Registry::RegKeyPresence(r.root, path);
    if (presence == Registry::Presence::Absent) return;
    // A key that cannot be opened has no stored spelling to learn.
    if (presence == Registry::Presence::Readable && !Registry::RegStoredName(r.root, path, stored)) return;
    r.keyPath = ProductRow::KeyPath(stored, r.productRoot.c_str());
    r.fullKeyName = std::wstring(ProductRow::RootName(r.root)) + L"\\" + r.keyPath;
    if (presence == Registry::Presence::Refused) r.refusedKey = r.fullKeyName;
}

bool ReadableWhole(Register& r)
{
    if (!r.found() || !r.refusedKey.empty()) return r.refusedKey.empty();
    std::vector<Registry::KeyContent> tree;
    std::optional<std::wstring> refused;
    if (Registry::RegTreeRead(r.root, r.keyPath, tree, false, &refused) || !refused) return true;
    r.refusedKey = refused->empty() ? r.fullKeyName : r.fullKeyName + L"\\" + *refused;
    return false;
}

std::wstring StoredName(const Register& r) { return r.keyPath.substr(r.keyPath.find_last_of(L'\\') + 1); }

Backup SecureBackup(const RestoreFile::Paths& paths, RegisterSet& registers, std::string& restoreBytes)
{
    // An export that fails its check stays out of the restore file; the
    // other registers' keys may still go.
    std::vector<BackupCheck::Subtree> checked;
    std::vector<std::string> parts(registers.size());
    for (size_t i = 0; i < registers.size(); ++i) {
        Register& r = registers[i];
        if (!r.toDelete()) continue;
        if (!CheckExport(r)) {
            r.blocked = BackupCheck::FirstNotRestorable(SubtreeOf(r));
            continue;
        }
        checked.push_back(SubtreeOf(r));
        parts[i] = r.exportBytes;
    }
    if (checked.empty()) {
        RestoreFile::DeleteExports(paths);
        return Backup::Nothing;
    }

    std::string merged;
    for (const auto& part : parts) merged = RestoreFile::Merge(merged, part);
    switch (RestoreFile::WritePending(paths, merged, restoreBytes)) {
    case RestoreFile::Pending::Taken: return Backup::Taken;
    case RestoreFile::Pending::Failed: return Backup::NotWritten;
    case RestoreFile::Pending::Written: break;
    }
    // What the disk gave back must be what was checked, and nothing more.
    if (!BackupCheck::BringsBack(RegFile::Read(restoreBytes), checked) || !RestoreFile::ReplaceRestoreFile(paths)) {
        (void)PlainFile::Remove(paths.pending);
        return Backup::NotWritten;
    }
    for (size_t i = 0; i < registers.size(); ++i) registers[i].backedUp = !parts[i].empty();
    RestoreFile::DeleteExports(paths);
    return Backup::Replaced;
}

Deletion DeleteBackedUp(const RestoreFile::Paths& paths, const std::string& restoreBytes, const Register& r)
{
    if (!r.backedUp) return Deletion::NotTried;
    std::string now;
    if (!RestoreFile::ReadBytes(paths.restore, now) || now != restoreBytes) return Deletion::FileChanged;
    switch (Registry::RegTreeDeleteAsRead(r.root, r.keyPath, r.tree)) {
    case Registry::TreeDeletion::Deleted: return Deletion::Deleted;
    case Registry::TreeDeletion::Changed: return Deletion::KeyChanged;
    case Registry::TreeDeletion::Failed: break;
    }
    return Deletion::Refused;
}

} // namespace KeyRemoval
