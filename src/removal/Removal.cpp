// Removal of the selected product's keys, after they are backed up through
// the registry editor into the restore file.
#include "app/Root.h"

#include "catalogue/ProductRow.h"
#include "platform/RegistryEditor.h"
#include "platform/Wartezeit.h"
#include "removal/KeyRemoval.h"
#include "removal/OperationLog.h"
#include "removal/RestoreFile.h"

namespace {

constexpr wchar_t Confirmation[] =
    L"M\u00f6chten Sie die Eintr\u00e4ge aus dem Haupt- und Benutzerregister entfernt ?   ";
constexpr wchar_t Removed[] =
    L"Die Eintr\u00e4ge wurden aus dem Velmora Haupt- und Benutzerregister entfernt.   \n"
    L"Eine Wiederherstellungsdatei der Registrierung wurde im Arbeitsordner erstellt.   \n"
    L"Klicken Sie die Datei ''Uninstall.reg'' an, um den Eintrag wiederherzustellen.";
constexpr wchar_t NoProduct[] =
    L"Bitte w\u00e4hlen Sie zuerst ein Produkt in der Liste aus.   ";
constexpr wchar_t UnsafeName[] =
    L"Der Produktname enth\u00e4lt ein Anf\u00fchrungszeichen und kann nicht sicher an den "
    L"Registrierungseditor \u00fcbergeben werden.   \nEs wurde nichts entfernt.";
constexpr wchar_t OldFilesStay[] =
    L"Die alten tempor\u00e4ren Dateien im Arbeitsordner konnten nicht gel\u00f6scht werden.   \n"
    L"Es wurde nichts entfernt.";
constexpr wchar_t NotFound[] =
    L"Die Eintr\u00e4ge wurden in der Registrierung nicht gefunden.   \nEs wurde nichts entfernt.";
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
constexpr wchar_t NotWritten[] =
    L"Die Wiederherstellungsdatei konnte nicht geschrieben werden; die Exporte "
    L"''Uninstall_1.reg'' bis ''Uninstall_3.reg'' bleiben im Arbeitsordner erhalten.   ";
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

// Says which register's key is still there, and why.
std::wstring Report(const KeyRemoval::RegisterSet& registers, KeyRemoval::Backup backup)
{
    std::wstring text = Incomplete;
    for (const auto& r : registers) {
        if (!r.inScope || !r.found() || r.deletion == KeyRemoval::Deletion::Deleted) continue;
        text += L"\n";
        text += r.label;
        text += Why(r.deletion);
    }
    if (backup == KeyRemoval::Backup::NotWritten) text += std::wstring(L"\n") + NotWritten;
    if (backup == KeyRemoval::Backup::Taken) text += std::wstring(L"\n") + PendingTaken;
    text += L"\n";
    text += backup == KeyRemoval::Backup::Replaced ? RestoreFileMade : OldFileKept;
    return text;
}

// The log's line: what went, from which register, and the file that can
// bring it back.
OperationLog::Entry Logged(const std::wstring& name, const KeyRemoval::RegisterSet& registers,
                           const std::wstring& told, bool restoreFileWritten)
{
    OperationLog::Entry entry{OperationLog::Removal, {name}, {}, told, restoreFileWritten ? L"Uninstall.reg" : L""};
    for (const auto& r : registers) {
        if (r.deletion != KeyRemoval::Deletion::Deleted) continue;
        RestoreFiles::RegisterCount count{r.label, r.tree.size(), 0};
        for (const auto& key : r.tree) count.values += key.values.size();
        entry.registers.push_back(count);
    }
    return entry;
}

} // namespace

void Root::bEntfernen_Click()
{
    Operation operation(*this);
    const std::wstring name = SelectedProductName();
    if (!MayRemove(name)) return;
    if (Ask(Confirmation, L" " + Caption(), MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    // The scope the user confirmed: one picked while the removal runs is
    // listed afterwards but never widens the deletion.
    const int scope = LRegister.selected();

    BusyState busy(*this, PointerArrowHourglass);
    const RestoreFile::Paths paths = RestoreFile::PathsIn(workingFolder_);
    // A leftover that stays could end up in the new restore file.
    if (!RestoreFile::ClearTemporaries(paths)) {
        busy.End();
        OperationLog::Append(workingFolder_, Logged(name, {}, OldFilesStay, false));
        Ask(OldFilesStay, L" " + name, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    Wartezeit::DoEvents();

    KeyRemoval::RegisterSet registers = KeyRemoval::Registers(paths, scope);
    // Only the registers of the confirmed scope are exported: a restore
    // must not roll back a key that was never removed.
    for (auto& r : registers) {
        if (!r.inScope) continue;
        KeyRemoval::Find(r, name);
        if (r.found()) ExportKey(r);
    }

    SetMousePointer(PointerHourglass);
    Wartezeit::DoEvents();
    // From here to the last deletion no window event runs: the registry and
    // the restore file are as they were checked.
    std::string restoreBytes;
    const KeyRemoval::Backup backup = KeyRemoval::SecureBackup(paths, registers, restoreBytes);
    bool allGone = true, anyFound = false;
    for (auto& r : registers) {
        if (!r.inScope || !r.found()) continue;
        anyFound = true;
        r.deletion = KeyRemoval::DeleteBackedUp(paths, restoreBytes, r);
        allGone &= r.deletion == KeyRemoval::Deletion::Deleted;
    }

    // The row goes when nothing of the product is left in the scope.
    const int selected = LProdukte.selected();
    if (allGone && selected >= 0) {
        LProdukte.remove(selected);
        LTemp.remove(selected);
        UpdateListExtentAfterRemoval();
        if (LProdukte.count() != 0) LProdukte.select(0);
    }
    Wartezeit::DoEvents();
    busy.End();

    const std::wstring told = !anyFound ? NotFound : allGone ? Removed : Report(registers, backup);
    OperationLog::Append(workingFolder_, Logged(name, registers, told, backup == KeyRemoval::Backup::Replaced));
    Ask(told, L" " + name, MB_OK | (anyFound && !allGone ? MB_ICONEXCLAMATION : MB_ICONINFORMATION));
}

std::wstring Root::SelectedProductName() const
{
    // The name list holds each row's own key name at the row's position: a
    // name may hold a tab, so the row's text before its first tab may name
    // another product.
    const int row = LProdukte.selected();
    return row < 0 ? std::wstring() : LTemp.text(row);
}

bool Root::MayRemove(const std::wstring& name) const
{
    // Without a name the key path would be the product root itself.
    if (name.empty()) {
        Ask(NoProduct, L" " + Caption(), MB_OK | MB_ICONINFORMATION);
        return false;
    }
    // A quote would end the key's argument on the editor's command line.
    if (name.find(L'"') != std::wstring::npos) {
        Ask(UnsafeName, L" " + name, MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    return true;
}

void Root::ExportKey(KeyRemoval::Register& r) const
{
    ProcessHandle editor = StartEditor(RegistryEditor::ExportCommand(r.exportFile, r.fullKeyName),
                                       RegistryEditor::ShowMinimized);
    Wartezeit::DoEvents();
    r.exported = RegistryEditor::EndedWell(editor.get(), EditorSeams());
    // What an editor that failed or was ended left behind is no backup.
    if (!r.exported) (void)DeleteFileW(r.exportFile.c_str());
}
