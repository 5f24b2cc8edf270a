// Restore of the last removal from the restore file.
#include "app/Root.h"

#include "platform/Dateiexistenz.h"
#include "platform/RegistryEditor.h"
#include "platform/Wartezeit.h"
#include "removal/RegFile.h"
#include "removal/RestoreCheck.h"
#include "removal/RestoreFile.h"

namespace {

constexpr wchar_t Title[] = L" Wiederherstellungsdateien";
constexpr wchar_t Confirmation[] =
    L"M\u00f6chten Sie den zuletzt enfernten Registrierungseintrag wiederherstellen ?    ";
constexpr wchar_t FileKept[] = L"\nDie Datei ''Uninstall.reg'' bleibt im Arbeitsordner erhalten.";
constexpr wchar_t NotRead[] = L"Die Datei ''Uninstall.reg'' konnte nicht gelesen werden.   ";
constexpr wchar_t Foreign[] =
    L"Die Datei ''Uninstall.reg'' enth\u00e4lt Eintr\u00e4ge au\u00dferhalb der Velmora-Produkte "
    L"und wurde nicht importiert.   ";
constexpr wchar_t EditorNotStarted[] =
    L"Der Registrierungseditor konnte nicht gestartet werden.   ";
constexpr wchar_t NotRestored[] =
    L"Die Eintr\u00e4ge wurden nicht vollst\u00e4ndig wiederhergestellt.   ";
constexpr wchar_t NoBackup[] =
    L"Die Eintr\u00e4ge wurden wiederhergestellt, aber die Sicherungskopie ''Uninstall.bak'' "
    L"konnte nicht geschrieben werden.   ";
constexpr wchar_t NotDeleted[] =
    L"Die Eintr\u00e4ge wurden wiederhergestellt, aber die Datei ''Uninstall.reg'' konnte nicht "
    L"gel\u00f6scht werden.   ";

} // namespace

void Root::bRestored_Click()
{
    Operation operation(*this);
    const RestoreFile::Paths paths = RestoreFile::PathsIn(workingFolder_);
    if (!Dateiexistenz::FileExists(paths.restore)) return;
    if (Ask(Confirmation, Title, MB_YESNO | MB_ICONEXCLAMATION) != IDYES) return;

    BusyState busy(*this, PointerArrowHourglass);
    Wartezeit::DoEvents();
    const wchar_t* failure = Import(paths);
    LRegister_Click();
    busy.End();
    if (LProdukte.count() != 0) LProdukte.select(0);
    Wartezeit::DoEvents();

    if (failure == NotDeleted) Ask(failure, Title, MB_OK | MB_ICONEXCLAMATION);
    else if (failure) Ask(std::wstring(failure) + FileKept, Title, MB_OK | MB_ICONEXCLAMATION);
}

const wchar_t* Root::Import(const RestoreFile::Paths& paths)
{
    // Held, shared for reading only, from the check until the editor has
    // ended: the bytes checked are the bytes imported.
    FileHandle held = RestoreFile::OpenHeld(paths.restore);
    std::string bytes;
    if (!held || !RestoreFile::ReadBytes(held.get(), bytes)) return NotRead;
    // The program runs with the highest rights available and the working
    // folder may be open to others: a file that writes anything but product
    // keys is nobody's backup.
    const RegFile::Content content = RegFile::Read(bytes);
    // A file whose values are not in the forms exports have is read by the
    // import its own way: what it would write cannot be told.
    if (!content.readable) return NotRead;
    if (!RestoreCheck::OnlyProductKeys(content)) return Foreign;

    ProcessHandle editor = StartEditor(RegistryEditor::ImportCommand(paths.restore), RegistryEditor::ShowNormal);
    if (!editor) return EditorNotStarted;
    Wartezeit::DoEvents();
    // An editor that failed says so at most through its exit code; whether
    // every key and value is there again is the sign that the import worked.
    if (!RegistryEditor::EndedWell(editor.get(), seams_.editorTimeoutSeconds) || !RestoreCheck::InRegistry(content))
        return NotRestored;
    if (!CopyFileW(paths.restore.c_str(), paths.backup.c_str(), FALSE)) return NoBackup;
    held.reset();
    if (!DeleteFileW(paths.restore.c_str())) return NotDeleted;
    return nullptr;
}
