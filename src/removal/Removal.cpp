// Removal of the selected product's keys, after they are backed up through
// the registry editor into the restore file.
#include "app/Root.h"

#include "catalogue/ProductRow.h"
#include "platform/Registry.h"
#include "platform/RegistryEditor.h"
#include "platform/Wartezeit.h"
#include "removal/RestoreFile.h"

#include <array>

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
    L"Die alten Wiederherstellungsdateien im Arbeitsordner konnten nicht gel\u00f6scht werden.   \n"
    L"Es wurde nichts entfernt.";
constexpr wchar_t NotFound[] =
    L"Die Eintr\u00e4ge wurden in der Registrierung nicht gefunden.   \nEs wurde nichts entfernt.";
constexpr wchar_t Incomplete[] = L"Die Eintr\u00e4ge wurden nicht vollst\u00e4ndig entfernt.   ";
constexpr wchar_t NotBackedUp[] =
    L": Der Eintrag ist noch vorhanden, weil keine Sicherung erstellt werden konnte.";
constexpr wchar_t NotDeleted[] =
    L": Der Eintrag ist noch vorhanden, weil er nicht gel\u00f6scht werden konnte.";
constexpr wchar_t RestoreFileMade[] =
    L"Eine Wiederherstellungsdatei der Registrierung wurde im Arbeitsordner erstellt.   ";

// What happened to the product's key in one register.
struct Register {
    HKEY root;
    const wchar_t* label;      // as the window's texts name the register
    std::wstring exportFile;
    std::wstring fullKeyName;  // empty while the key was not found
    bool inScope = false;
    bool backedUp = false;     // the restore file holds the key
    bool deleted = false;
};

// The key's name as the registry stores it. The registry editor writes a
// key as its command line spells it, so an export under another spelling
// would come back under that spelling.
std::wstring StoredName(HKEY root, const std::wstring& name)
{
    std::vector<std::wstring> names;
    Registry::RegEnumKeys(root, ProductRow::ProductRoot, Registry::AccessRead, names);
    for (const auto& stored : names)
        if (CompareStringOrdinal(stored.c_str(), int(stored.size()), name.c_str(), int(name.size()), TRUE)
            == CSTR_EQUAL)
            return stored;
    return name;
}

std::wstring Report(const std::array<Register, 2>& registers)
{
    std::wstring text = Incomplete;
    bool anyDeleted = false;
    for (const auto& r : registers) {
        anyDeleted |= r.deleted;
        if (!r.inScope || r.fullKeyName.empty() || r.deleted) continue;
        text += L"\n";
        text += r.label;
        text += r.backedUp ? NotDeleted : NotBackedUp;
    }
    if (anyDeleted) text += std::wstring(L"\n") + RestoreFileMade;
    return text;
}

} // namespace

void Root::bEntfernen_Click()
{
    Operation operation(*this);
    const int row = LProdukte.selected();
    const std::wstring name = row < 0 ? std::wstring() : ProductRow::NameOf(LProdukte.text(row));
    // Without a name the key path would be the product root itself.
    if (name.empty()) {
        Ask(NoProduct, L" " + Caption(), MB_OK | MB_ICONINFORMATION);
        return;
    }
    // A quote would end the key's argument on the editor's command line.
    if (name.find(L'"') != std::wstring::npos) {
        Ask(UnsafeName, L" " + name, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (Ask(Confirmation, L" " + Caption(), MB_YESNO | MB_ICONQUESTION) != IDYES) return;

    SetMousePointer(PointerArrowHourglass);
    bEntfernen.enable(false);
    LProdukte.enable(false);
    const RestoreFile::Paths paths = RestoreFile::PathsIn(workingFolder_);
    // A leftover that stays could end up in the new restore file.
    if (!RestoreFile::Clear(paths)) {
        EndBusyState();
        Ask(OldFilesStay, L" " + name, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    Wartezeit::DoEvents();

    std::array<Register, 2> registers{{
        {HKEY_LOCAL_MACHINE, L"Hauptregister", paths.mainExport, {}},
        {HKEY_CURRENT_USER, L"Benutzerregister", paths.userExport, {}},
    }};
    for (auto& r : registers) {
        if (!Registry::RegKeyExists(r.root, ProductRow::KeyPath(name))) continue;
        r.fullKeyName = std::wstring(ProductRow::RootName(r.root)) + L"\\"
                      + ProductRow::KeyPath(StoredName(r.root, name));
        ProcessHandle editor = StartEditor(RegistryEditor::ExportCommand(r.exportFile, r.fullKeyName),
                                           RegistryEditor::ShowMinimized);
        Wartezeit::DoEvents();
        const bool ended = editor && Wartezeit::WaitForProcess(editor.get(), seams_.editorTimeoutSeconds);
        if (editor && !ended) {
            // An editor that hangs may still be writing; what it wrote is not
            // a backup.
            (void)TerminateProcess(editor.get(), 1);
            (void)WaitForSingleObject(editor.get(), 5000);
        }
        if (!ended || !RestoreFile::Holds(r.exportFile, r.fullKeyName))
            (void)DeleteFileW(r.exportFile.c_str());
    }

    SetMousePointer(PointerHourglass);
    Wartezeit::DoEvents();
    const RestoreFile::Assembly assembly = RestoreFile::Assemble(paths);
    const bool written = assembly == RestoreFile::Assembly::Written;

    // Deletes only what the restore file holds.
    const int scope = LRegister.selected();
    registers[0].inScope = scope == 0 || scope == 2;
    registers[1].inScope = scope == 0 || scope == 1;
    bool allGone = true, anyFound = false;
    for (auto& r : registers) {
        if (!r.inScope || r.fullKeyName.empty()) continue;
        anyFound = true;
        r.backedUp = written && RestoreFile::Holds(paths.restore, r.fullKeyName);
        r.deleted = r.backedUp && Registry::RegTreeDelete(r.root, ProductRow::KeyPath(StoredName(r.root, name)));
        allGone &= r.deleted;
    }

    // The row goes when nothing of the product is left in the scope.
    const int selected = LProdukte.selected();
    if (allGone && selected >= 0) {
        LProdukte.remove(selected);
        LTemp.remove(selected);
        UpdateListExtent();
        if (LProdukte.count() != 0) LProdukte.select(0);
    }
    Wartezeit::DoEvents();
    EndBusyState();

    if (!anyFound) Ask(NotFound, L" " + name, MB_OK | MB_ICONINFORMATION);
    else if (allGone) Ask(Removed, L" " + name, MB_OK | MB_ICONINFORMATION);
    else Ask(Report(registers), L" " + name, MB_OK | MB_ICONEXCLAMATION);
}
