// Restore of a removal from a restore file: the last one from Uninstall.reg
// through the restore button or the console, any kept one through the
// restore files dialog or the console, all the same way.
#include "removal/Restore.h"

#include "platform/FileName.h"
#include "platform/KeyName.h"
#include "platform/PlainFile.h"
#include "platform/Profiles.h"
#include "removal/OperationLog.h"
#include "removal/Overwritten.h"
#include "removal/RestoreCheck.h"
#include "removal/RestoreFiles.h"
#include "removal/Workspace.h"

#include <algorithm>
#include <memory>

namespace Restore {

namespace {

constexpr wchar_t LastRemoval[] =
    L"M\u00f6chten Sie den zuletzt enfernten Registrierungseintrag wiederherstellen ?    ";
constexpr wchar_t EditorNotStarted[] =
    L"Der Registrierungseditor konnte nicht gestartet werden.   ";
constexpr wchar_t NotRestored[] =
    L"Die Eintr\u00e4ge wurden nicht vollst\u00e4ndig wiederhergestellt.   ";
constexpr wchar_t NoWorkspace[] =
    L"Im Arbeitsordner konnte kein Ordner f\u00fcr den Import angelegt werden; es wurde nichts importiert.   ";
constexpr wchar_t CurrentNotKept[] =
    L"Der jetzige Stand der Produkte, die die Datei \u00fcberschreiben w\u00fcrde, konnte nicht gesichert werden; "
    L"es wurde nichts importiert.   ";
constexpr wchar_t Restored[] = L"Die Eintr\u00e4ge wurden wiederhergestellt.";
constexpr wchar_t NoBackup[] =
    L"Die Eintr\u00e4ge wurden wiederhergestellt, aber die Sicherungskopie ''Uninstall.bak'' "
    L"konnte nicht geschrieben werden.   ";

std::wstring Quoted(const std::wstring& fileName) { return L"''" + fileName + L"''"; }

std::wstring Refused(RestoreFiles::Refusal refusal, const std::wstring& fileName)
{
    std::wstring text = L"Die Datei " + Quoted(fileName) + L" " + RestoreFiles::Reason(refusal);
    if (refusal != RestoreFiles::Refusal::NotRead) text += L" und wurde nicht importiert";
    return text + L".   ";
}

std::wstring KeptCurrent(const std::wstring& keptName)
{
    return L"Der bisherige Stand ist in der Wiederherstellungsdatei " + Quoted(keptName) + L" gesichert.";
}

std::wstring FileKept(const std::wstring& fileName)
{
    return L"\nDie Datei " + Quoted(fileName) + L" bleibt im Arbeitsordner erhalten.";
}

std::wstring NotDeleted(const std::wstring& fileName)
{
    return L"Die Eintr\u00e4ge wurden wiederhergestellt, aber die Datei " + Quoted(fileName)
         + L" konnte nicht gel\u00f6scht werden.   ";
}

std::wstring FileName(const std::wstring& path) { return path.substr(path.find_last_of(L'\\') + 1); }

// The log's line: the products and registers the file holds, whatever came of it.
OperationLog::Entry Logged(const Outcome& outcome)
{
    const RestoreFiles::Held held = RestoreFiles::WhatItHolds(outcome.content);
    std::wstring told = Message(outcome);
    if (told.empty()) told = Restored;
    if (!outcome.keptCurrent.empty()) told += L"\n" + KeptCurrent(outcome.keptCurrent);
    OperationLog::Entry entry{OperationLog::Restore, {}, held.registers, told,
                              outcome.fileName};
    // A product in both registers is one product; its registers follow.
    for (const auto& p : held.products)
        if (std::none_of(entry.products.begin(), entry.products.end(),
                         [&](const std::wstring& q) { return KeyName::Same(q, p.name); }))
            entry.products.push_back(p.name);
    return entry;
}

bool Matches(HANDLE held, bool read, const std::string& bytes, const RestoreFile::Fingerprint& listed)
{
    RestoreFile::Fingerprint now;
    return read && RestoreFile::FingerprintOf(held, bytes, now) && now == listed;
}

// Hands the file to the editor once it passed its checks, then keeps a copy
// as Uninstall.bak and deletes it.
Result Import(const Request& request, const RegistryEditor::Seams& seams, RegFile::Content& content,
              std::wstring& keptCurrent, std::vector<std::wstring>& unreached)
{
    // Held, shared for reading only, from the check to its deletion: the
    // bytes checked are the bytes imported, and the file deleted is the file
    // checked. A name that is a link is not opened.
    FileHandle held = RestoreFile::OpenHeldToDelete(request.file);
    if (!held) {
        const DWORD error = GetLastError();
        const bool gone = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        if (request.listed && gone) return Result::Changed;
        return gone ? Result::Missing : Result::NotRead;
    }
    std::string bytes;
    const bool read = RestoreFile::ReadBytes(held.get(), bytes);
    // The file a list showed may have been replaced by another removal's
    // since: only the bytes the user saw are imported.
    if (request.listed && !Matches(held.get(), read, bytes, *request.listed)) return Result::Changed;
    content = RegFile::Read(bytes);
    // The rights are asked of the bytes held, before anything else: a file
    // read a second time to ask them could be another file by then.
    if (read && request.mainRegisterDenied && RestoreCheck::Writes(content, HKEY_LOCAL_MACHINE)
        && request.mainRegisterDenied())
        return Result::MainRegisterDenied;
    // The program runs with the highest rights available and the working
    // folder may be open to others: a file that writes anything but product
    // keys is nobody's backup.
    // A person whose profile is gone has no register to bring the keys back
    // to: the import would make a key below HKEY_USERS that no hive holds.
    if (read)
        for (const std::wstring& sid : RestoreCheck::PeopleOf(content, true))
            unreached.push_back(sid + L": kein Benutzerprofil dieses Rechners");
    if (!unreached.empty()) return Result::ProfileUnreachable;
    switch (RestoreFiles::Check(read, content)) {
    case RestoreFiles::Refusal::NotRead: return Result::NotRead;
    case RestoreFiles::Refusal::Foreign: return Result::Foreign;
    case RestoreFiles::Refusal::NotImportable: return Result::NotImportable;
    case RestoreFiles::Refusal::None: break;
    }
    // Run as SYSTEM or another service account, the import would write the
    // user register's keys into that account's own hive, and the check
    // afterwards would find them there: they belong to a person's register.
    if (RestoreCheck::Writes(content, HKEY_CURRENT_USER) && request.serviceAccount && request.serviceAccount())
        return Result::PersonsRegister;

    // Each person's hive that is not loaded is loaded for the import and its
    // check, and given back when the restore ends, whatever came of it.
    std::vector<std::unique_ptr<Profiles::Hive>> hives;
    for (const std::wstring& sid : RestoreCheck::PeopleOf(content, false)) {
        Profiles::Profile profile;
        if (!Profiles::Find(sid, profile)) {
            unreached.push_back(sid + L": kein Benutzerprofil dieses Rechners");
            continue;
        }
        auto hive = std::make_unique<Profiles::Hive>(profile);
        if (!hive->usable())
            unreached.push_back(profile.name + L", " + sid + L": " + Profiles::Reason(hive->why(), hive->code()));
        hives.push_back(std::move(hive));
    }
    if (!unreached.empty()) return Result::ProfileUnreachable;

    // The editor gets the checked bytes in a file of the restore's own, held
    // as the original is: it needs to share reading, which the right to
    // delete the original does not allow. The copy goes with its folder, and
    // the original stays until the import is checked: a flush would keep
    // nothing that a crash could take.
    Workspace::Folder space(request.workingFolder);
    const std::wstring copy = space.file(FileName(request.file));
    if (!space.made() || !PlainFile::WriteNew(copy, bytes, PlainFile::Durability::WhileUsed))
        return Result::NoWorkspace;
    const FileHandle copyHeld = RestoreFile::OpenHeld(copy);
    if (!copyHeld) return Result::NoWorkspace;

    // The import replaces what is there now: a product installed again
    // since its removal keeps its state in a restore file of its own first.
    switch (Overwritten::Keep(content, request.workingFolder, space, seams, keptCurrent)) {
    case Overwritten::Kept::Failed: return Result::CurrentNotKept;
    case Overwritten::Kept::EditorNotStarted: return Result::EditorNotStarted;
    case Overwritten::Kept::Nothing:
    case Overwritten::Kept::Saved: break;
    }

    ProcessHandle editor = seams.start(RegistryEditor::ImportCommand(copy), RegistryEditor::ShowNormal);
    if (!editor) return Result::EditorNotStarted;
    seams.doEvents();
    // An editor that failed says so at most through its exit code; whether
    // every key and value is there again is the sign that the import worked.
    if (!RegistryEditor::EndedWell(editor.get(), seams) || !RestoreCheck::InRegistry(content))
        return Result::NotRestored;
    // Uninstall.bak takes the bytes as a new file renamed over the name: a
    // link lying there goes, its target stays.
    if (!PlainFile::Replace(RestoreFile::PathsIn(request.workingFolder).backup, bytes)) return Result::NoBackup;
    if (!PlainFile::DeleteOnClose(held.get())) return Result::NotDeleted;
    return Result::Done;
}

} // namespace

Outcome Run(const Request& request, const RegistryEditor::Seams& seams)
{
    Outcome outcome;
    outcome.fileName = FileName(request.file);
    outcome.result = Import(request, seams, outcome.content, outcome.keptCurrent, outcome.unreached);
    // Nothing was read of a file that is not there, or not the one listed,
    // and a file the account may not import was only looked at.
    if (outcome.result != Result::Missing && outcome.result != Result::Changed
        && outcome.result != Result::MainRegisterDenied)
        OperationLog::Append(request.workingFolder, Logged(outcome));
    return outcome;
}

bool StillAsListed(const std::wstring& file, const RestoreFile::Fingerprint& listed)
{
    const FileHandle held = RestoreFile::OpenHeld(file);
    std::string bytes;
    return held && Matches(held.get(), RestoreFile::ReadBytes(held.get(), bytes), bytes, listed);
}

std::wstring Question(const std::wstring& fileName, const std::vector<RestoreFiles::Product>& overwritten)
{
    // For Uninstall.reg the question reads as it always has.
    std::wstring text =
        FileName::Same(fileName, RestoreFile::RestoreFileName)
            ? std::wstring(LastRemoval)
            : L"M\u00f6chten Sie die Registrierungseintr\u00e4ge aus der Datei " + Quoted(fileName)
                  + L" wiederherstellen ?    ";
    if (overwritten.empty()) return text;
    text += L"\n\nDiese Produkte sind jetzt vorhanden und werden \u00fcberschrieben; ihr jetziger Stand wird "
            L"vorher als Wiederherstellungsdatei gesichert:";
    for (const auto& p : overwritten) text += L"\n" + p.name + L" (" + p.registerLabel + L")";
    return text;
}

std::wstring Message(const Outcome& outcome)
{
    const std::wstring& name = outcome.fileName;
    switch (outcome.result) {
    case Result::Done: return {};
    case Result::Missing: return L"Die Datei " + Quoted(name) + L" ist nicht vorhanden.   ";
    case Result::Changed:
        return L"Die Datei " + Quoted(name) + L" wurde ver\u00e4ndert oder entfernt, seit die Liste angezeigt "
               L"wurde.   \nEs wurde nichts importiert; die Liste zeigt die Dateien jetzt neu.";
    case Result::NotRead: return Refused(RestoreFiles::Refusal::NotRead, name) + FileKept(name);
    case Result::Foreign: return Refused(RestoreFiles::Refusal::Foreign, name) + FileKept(name);
    case Result::NotImportable: return Refused(RestoreFiles::Refusal::NotImportable, name) + FileKept(name);
    case Result::PersonsRegister:
        return L"Die Datei " + Quoted(name) + L" schreibt Eintr\u00e4ge ins Benutzerregister. Sie geh\u00f6ren in das "
               L"Register einer Person; unter einem Dienstkonto wie SYSTEM k\u00e4men sie in das eigene Register des "
               L"Kontos. Es wurde nichts importiert.   "
             + FileKept(name);
    case Result::MainRegisterDenied:
        return L"Die Datei " + Quoted(name) + L" schreibt ins Hauptregister; das verlangt Administratorrechte.   "
             + FileKept(name);
    case Result::ProfileUnreachable: {
        std::wstring text = L"Die Datei " + Quoted(name) + L" schreibt in das Benutzerregister von Profilen, die nicht "
                            L"erreichbar sind, und wurde nicht importiert:   ";
        for (const std::wstring& line : outcome.unreached) text += L"\n" + line;
        return text + FileKept(name);
    }
    case Result::EditorNotStarted: return EditorNotStarted + FileKept(name);
    case Result::NotRestored: return NotRestored + FileKept(name);
    case Result::NoBackup: return NoBackup + FileKept(name);
    case Result::NotDeleted: return NotDeleted(name);
    case Result::NoWorkspace: return NoWorkspace + FileKept(name);
    case Result::CurrentNotKept: return CurrentNotKept + FileKept(name);
    }
    return {};
}

} // namespace Restore
