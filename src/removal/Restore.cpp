// Restore of the last removal from the restore file.
#include "app/Root.h"

#include "platform/Dateiexistenz.h"
#include "platform/RegistryEditor.h"
#include "platform/Wartezeit.h"
#include "removal/RestoreFile.h"

namespace {

constexpr wchar_t Title[] = L" Wiederherstellungsdateien";
constexpr wchar_t Confirmation[] =
    L"M\u00f6chten Sie den zuletzt enfernten Registrierungseintrag wiederherstellen ?    ";
constexpr wchar_t FileKept[] = L"\nDie Datei ''Uninstall.reg'' bleibt im Arbeitsordner erhalten.";
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

    // What the import must bring back, read before the editor has the file.
    const std::vector<std::wstring> keys = RestoreFile::KeysIn(paths.restore);
    ProcessHandle editor = StartEditor(RegistryEditor::ImportCommand(paths.restore), RegistryEditor::ShowNormal);
    if (!editor) {
        busy.End();
        Ask(std::wstring(EditorNotStarted) + FileKept, Title, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    Wartezeit::DoEvents();
    // An editor that failed says so at most through its exit code; whether
    // the keys are there again is the sign that the import worked.
    const bool ended = RegistryEditor::EndedWell(editor.get(), seams_.editorTimeoutSeconds);
    const bool restored = ended && !keys.empty() && RestoreFile::KeysPresent(keys);

    const wchar_t* failure = nullptr;
    if (!restored) failure = NotRestored;
    else if (!CopyFileW(paths.restore.c_str(), paths.backup.c_str(), FALSE)) failure = NoBackup;
    else if (!DeleteFileW(paths.restore.c_str())) failure = NotDeleted;

    LRegister_Click();
    busy.End();
    if (LProdukte.count() != 0) LProdukte.select(0);
    Wartezeit::DoEvents();

    if (failure == NotDeleted) Ask(failure, Title, MB_OK | MB_ICONEXCLAMATION);
    else if (failure) Ask(std::wstring(failure) + FileKept, Title, MB_OK | MB_ICONEXCLAMATION);
}
