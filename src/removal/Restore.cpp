// Restore of a removal from a restore file: the last one from Uninstall.reg
// through the restore button, any kept one through the restore files
// dialog, both the same way.
#include "app/Root.h"

#include "platform/Dateiexistenz.h"
#include "platform/RegistryEditor.h"
#include "platform/Wartezeit.h"
#include "removal/OperationLog.h"
#include "removal/RegFile.h"
#include "removal/RestoreCheck.h"
#include "removal/RestoreFile.h"
#include "removal/RestoreFiles.h"

#include <algorithm>

namespace {

constexpr wchar_t Title[] = L" Wiederherstellungsdateien";
constexpr wchar_t LastRemoval[] =
    L"M\u00f6chten Sie den zuletzt enfernten Registrierungseintrag wiederherstellen ?    ";
constexpr wchar_t EditorNotStarted[] =
    L"Der Registrierungseditor konnte nicht gestartet werden.   ";
constexpr wchar_t NotRestored[] =
    L"Die Eintr\u00e4ge wurden nicht vollst\u00e4ndig wiederhergestellt.   ";
constexpr wchar_t Restored[] = L"Die Eintr\u00e4ge wurden wiederhergestellt.";

std::wstring Quoted(const std::wstring& fileName) { return L"''" + fileName + L"''"; }

// The messages name the file restored; for Uninstall.reg they read as they
// always have.
std::wstring Confirmation(const std::wstring& fileName)
{
    if (CompareStringOrdinal(fileName.c_str(), -1, L"Uninstall.reg", -1, TRUE) == CSTR_EQUAL) return LastRemoval;
    return L"M\u00f6chten Sie die Registrierungseintr\u00e4ge aus der Datei " + Quoted(fileName)
         + L" wiederherstellen ?    ";
}

std::wstring Refused(RestoreFiles::Refusal refusal, const std::wstring& fileName)
{
    std::wstring text = L"Die Datei " + Quoted(fileName) + L" " + RestoreFiles::Reason(refusal);
    if (refusal == RestoreFiles::Refusal::Foreign) text += L" und wurde nicht importiert";
    return text + L".   ";
}

std::wstring FileKept(const std::wstring& fileName)
{
    return L"\nDie Datei " + Quoted(fileName) + L" bleibt im Arbeitsordner erhalten.";
}

constexpr wchar_t NoBackup[] =
    L"Die Eintr\u00e4ge wurden wiederhergestellt, aber die Sicherungskopie ''Uninstall.bak'' "
    L"konnte nicht geschrieben werden.   ";

std::wstring NotDeleted(const std::wstring& fileName)
{
    return L"Die Eintr\u00e4ge wurden wiederhergestellt, aber die Datei " + Quoted(fileName)
         + L" konnte nicht gel\u00f6scht werden.   ";
}

std::wstring FileName(const std::wstring& path) { return path.substr(path.find_last_of(L'\\') + 1); }

// The log's line: the products and registers the file holds, whatever came of it.
OperationLog::Entry Logged(const RegFile::Content& content, const std::wstring& told, const std::wstring& fileName)
{
    const RestoreFiles::Held held = RestoreFiles::WhatItHolds(content);
    OperationLog::Entry entry{OperationLog::Restore, {}, held.registers, told, fileName};
    // A product in both registers is one product; its registers follow.
    for (const auto& p : held.products)
        if (std::none_of(entry.products.begin(), entry.products.end(),
                         [&](const std::wstring& q) { return RegFile::Folded(q) == RegFile::Folded(p.name); }))
            entry.products.push_back(p.name);
    return entry;
}

} // namespace

void Root::bRestored_Click()
{
    RestoreFrom(RestoreFile::PathsIn(workingFolder_).restore, hwnd_);
}

void Root::RestoreFrom(const std::wstring& file, HWND owner, const std::optional<RestoreFile::Fingerprint>&)
{
    Operation operation(*this);
    if (!Dateiexistenz::FileExists(file)) return;
    const std::wstring name = FileName(file);
    if (Ask(Confirmation(name), Title, MB_YESNO | MB_ICONEXCLAMATION, owner) != IDYES) return;

    BusyState busy(*this, PointerArrowHourglass);
    Wartezeit::DoEvents();
    RegFile::Content content;
    const Restore outcome = Import(file, content);
    LRegister_Click();
    busy.End();
    if (LProdukte.count() != 0) LProdukte.select(0);
    Wartezeit::DoEvents();

    std::wstring told;
    switch (outcome) {
    case Restore::Done: break;
    case Restore::NotRead: told = Refused(RestoreFiles::Refusal::NotRead, name) + FileKept(name); break;
    case Restore::Foreign: told = Refused(RestoreFiles::Refusal::Foreign, name) + FileKept(name); break;
    case Restore::NotImportable: told = Refused(RestoreFiles::Refusal::NotImportable, name) + FileKept(name); break;
    case Restore::EditorNotStarted: told = EditorNotStarted + FileKept(name); break;
    case Restore::NotRestored: told = NotRestored + FileKept(name); break;
    case Restore::NoBackup: told = NoBackup + FileKept(name); break;
    case Restore::NotDeleted: told = NotDeleted(name); break;
    }
    OperationLog::Append(workingFolder_, Logged(content, told.empty() ? Restored : told, name));
    if (!told.empty()) Ask(told, Title, MB_OK | MB_ICONEXCLAMATION, owner);
}

Root::Restore Root::Import(const std::wstring& file, RegFile::Content& content)
{
    // Held, shared for reading only, from the check until the editor has
    // ended: the bytes checked are the bytes imported.
    FileHandle held = RestoreFile::OpenHeld(file);
    std::string bytes;
    const bool read = held && RestoreFile::ReadBytes(held.get(), bytes);
    content = RegFile::Read(bytes);
    // The program runs with the highest rights available and the working
    // folder may be open to others: a file that writes anything but product
    // keys is nobody's backup.
    switch (RestoreFiles::Check(read, content)) {
    case RestoreFiles::Refusal::NotRead: return Restore::NotRead;
    case RestoreFiles::Refusal::Foreign: return Restore::Foreign;
    case RestoreFiles::Refusal::NotImportable: return Restore::NotImportable;
    case RestoreFiles::Refusal::None: break;
    }

    ProcessHandle editor = StartEditor(RegistryEditor::ImportCommand(file), RegistryEditor::ShowNormal);
    if (!editor) return Restore::EditorNotStarted;
    Wartezeit::DoEvents();
    // An editor that failed says so at most through its exit code; whether
    // every key and value is there again is the sign that the import worked.
    if (!RegistryEditor::EndedWell(editor.get(), EditorSeams()) || !RestoreCheck::InRegistry(content))
        return Restore::NotRestored;
    const std::wstring backup = RestoreFile::PathsIn(workingFolder_).backup;
    if (!CopyFileW(file.c_str(), backup.c_str(), FALSE)) return Restore::NoBackup;
    held.reset();
    if (!DeleteFileW(file.c_str())) return Restore::NotDeleted;
    return Restore::Done;
}
