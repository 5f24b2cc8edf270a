#include "removal/KeyRemoval.h"

#include "catalogue/ProductRow.h"
#include "platform/Registry.h"
#include "removal/BackupCheck.h"

namespace KeyRemoval {

std::array<Register, 2> Registers(const RestoreFile::Paths& paths, int scope)
{
    std::array<Register, 2> registers;
    registers[0].root = HKEY_LOCAL_MACHINE;
    registers[0].label = L"Hauptregister";
    registers[0].exportFile = paths.mainExport;
    registers[0].inScope = scope == 0 || scope == 2;
    registers[1].root = HKEY_CURRENT_USER;
    registers[1].label = L"Benutzerregister";
    registers[1].exportFile = paths.userExport;
    registers[1].inScope = scope == 0 || scope == 1;
    return registers;
}

void Find(Register& r, const std::wstring& productName)
{
    const std::wstring path = ProductRow::KeyPath(productName);
    std::wstring stored;
    if (!Registry::RegKeyExists(r.root, path) || !Registry::RegStoredName(r.root, path, stored)) return;
    r.keyPath = ProductRow::KeyPath(stored);
    r.fullKeyName = std::wstring(ProductRow::RootName(r.root)) + L"\\" + r.keyPath;
}

Backup SecureBackup(const RestoreFile::Paths& paths, std::array<Register, 2>& registers,
                    std::string& restoreBytes)
{
    bool wanted = false;
    for (const auto& r : registers) wanted |= r.toDelete();
    if (!wanted) {
        RestoreFile::DeleteExports(paths);
        return Backup::Nothing;
    }

    std::string bytes;
    if (RestoreFile::Assemble(paths, bytes) != RestoreFile::Assembly::Made
        || !RestoreFile::WritePending(paths, bytes, restoreBytes))
        return Backup::NotWritten;

    bool covered = false;
    for (auto& r : registers) {
        r.backedUp = r.toDelete() && BackupCheck::Covers(restoreBytes, r.root, r.keyPath, r.fullKeyName);
        covered |= r.backedUp;
    }
    if (!covered) {
        (void)DeleteFileW(paths.pending.c_str());
        RestoreFile::DeleteExports(paths);
        return Backup::Nothing;
    }
    if (!RestoreFile::ReplaceRestoreFile(paths)) {
        (void)DeleteFileW(paths.pending.c_str());
        for (auto& r : registers) r.backedUp = false;
        return Backup::NotWritten;
    }
    RestoreFile::DeleteExports(paths);
    return Backup::Replaced;
}

bool DeleteCovered(const RestoreFile::Paths& paths, const std::string& restoreBytes, const Register& r)
{
    std::string now;
    return r.backedUp && RestoreFile::ReadBytes(paths.restore, now) && now == restoreBytes
        && Registry::RegTreeDelete(r.root, r.keyPath);
}

} // namespace KeyRemoval
