// The console's own account of a removal. The window's message speaks of
// both registers and of clicking the file; a script's log must say which
// registers were touched, what stays and why, and the command that undoes
// it. What went is output; what failed goes to the error stream.
#include "console/Output.h"
#include "console/Verbs.h"
#include "platform/Dateiexistenz.h"
#include "platform/FileName.h"
#include "platform/ProgramFolder.h"

#include <algorithm>

namespace Verbs {

namespace {

using KeyRemoval::Deletion;

bool Went(const KeyRemoval::Register& r) { return r.deletion == Deletion::Deleted; }
bool Stays(const KeyRemoval::Register& r) { return r.inScope && r.found() && !Went(r); }

// "dem Hauptregister und dem Benutzerregister"
std::wstring Registers(const Removal::Outcome& o)
{
    std::vector<std::wstring> labels;
    for (const auto& r : o.registers)
        if (Went(r)) labels.push_back(L"dem " + r.label);
    std::wstring text;
    for (size_t i = 0; i < labels.size(); ++i)
        text += (i == 0 ? L"" : i + 1 == labels.size() ? L" und " : L", ") + labels[i];
    return text;
}

// The product as the registry spells it where it was found first.
std::wstring StoredName(const Removal::Outcome& o)
{
    for (const auto& r : o.registers)
        if (r.inScope && r.found()) return KeyRemoval::StoredName(r);
    return o.name;
}

std::wstring Blocked(const BackupCheck::Blocked& b)
{
    const std::wstring value = b.value.empty() ? L"der Standardwert" : L"der Wert \"" + b.value + L"\"";
    return value + L" in " + b.key
         + L" kann nicht gesichert werden: der Registrierungs-Editor kann Zeichenfolgen ungerader L\u00e4nge "
           L"nicht importieren";
}

// Why one place's key stays.
std::wstring WhyItStays(const KeyRemoval::Register& r, KeyRemoval::Backup backup)
{
    switch (r.deletion) {
    case Deletion::KeyChanged: return L"der Schl\u00fcssel hat sich seit der Sicherung ge\u00e4ndert";
    case Deletion::FileChanged: return L"die Wiederherstellungsdatei hat sich vor dem L\u00f6schen ge\u00e4ndert";
    case Deletion::Refused: return L"die Registrierung hat das L\u00f6schen verweigert";
    case Deletion::Deleted:
    case Deletion::NotTried: break;
    }
    if (!r.exported) return L"der Registrierungs-Editor hat ihn nicht exportiert";
    if (r.blocked) return Blocked(*r.blocked);
    if (backup == KeyRemoval::Backup::NotWritten || backup == KeyRemoval::Backup::Taken)
        return L"die Wiederherstellungsdatei wurde nicht geschrieben";
    return L"der Export bringt ihn nicht genau zur\u00fcck, er ist keine Sicherung";
}

std::wstring Quoted(const std::wstring& s) { return L"\"" + s + L"\""; }

// A drive's root is kept as "C:" (without its backslash), which alone
// would name that drive's current folder.
std::wstring FolderArgument(const std::wstring& folder)
{
    return folder.size() == 2 && folder[1] == L':' ? folder + L"\\" : folder;
}

} // namespace

std::wstring UndoCommand(const std::wstring& folder, bool named)
{
    std::wstring line = L"Tessarine /wiederherstellen";
    if (named || !FileName::Same(folder, ProgramFolder::Path())) line += L" /ordner " + Quoted(FolderArgument(folder));
    return line;
}

std::wstring NameHint(const std::wstring& name)
{
    const size_t first = name.find_first_not_of(L" \t"), last = name.find_last_not_of(L" \t");
    if (first == 0 && last + 1 == name.size()) return {};
    const std::wstring trimmed = first == std::wstring::npos ? L"" : name.substr(first, last - first + 1);
    return Output::Lines(L"Hinweis: Der Name " + Quoted(name) + L" beginnt oder endet mit Leerzeichen"
                         + (trimmed.empty() ? L"." : L"; gemeint ist vielleicht " + Quoted(trimmed) + L"."));
}

Report RemovalReport(const Removal::Outcome& o, const Editor::Starts& starts, const std::wstring& folder, bool named)
{
    Report r;
    r.exitCode = RemovalExitCode(o, starts);
    const std::wstring name = StoredName(o);
    switch (o.result) {
    case Removal::Result::NothingFound:
        r.out = Output::Lines(name + L": kein Schl\u00fcssel im gew\u00e4hlten Register, nichts zu entfernen.");
        r.err = NameHint(name);
        return r;
    case Removal::Result::NoName:
    case Removal::Result::NotAProduct:
        return Refused(r.exitCode, Quoted(name) + L" ist kein Produktname; nichts wurde entfernt.");
    case Removal::Result::UnsafeName:
        return Refused(r.exitCode, Quoted(name) + L" enth\u00e4lt ein Anf\u00fchrungszeichen und kann dem "
                                   L"Registrierungs-Editor nicht sicher \u00fcbergeben werden; nichts wurde entfernt.");
    case Removal::Result::OldFilesStay:
        return Refused(r.exitCode, L"Alte tempor\u00e4re Dateien im Arbeitsordner " + Quoted(folder)
                                       + L" konnten nicht gel\u00f6scht werden; nichts wurde entfernt.");
    case Removal::Result::NoWorkspace:
        return Refused(r.exitCode, L"Im Arbeitsordner " + Quoted(folder)
                                       + L" konnte kein eigener Ordner f\u00fcr die Exporte angelegt werden; "
                                         L"nichts wurde entfernt.");
    case Removal::Result::Unreadable:
        for (const KeyRemoval::Register& place : o.registers)
            if (place.inScope && !place.refusedKey.empty())
                r.err += Output::Lines(place.label + L": der Schl\u00fcssel " + place.refusedKey
                                       + L" verweigert das Lesen.");
        r.err += Output::Lines(name + L" wurde nicht entfernt: was nicht gelesen werden kann, kann nicht "
                                      L"vollst\u00e4ndig gesichert werden.");
        return r;
    case Removal::Result::Removed:
    case Removal::Result::Incomplete: break;
    }

    const auto& places = o.registers;
    const bool anyWent = std::any_of(places.begin(), places.end(), Went);
    if (anyWent) {
        r.out = Output::Lines(name + L" wurde aus " + Registers(o) + L" entfernt.");
        for (const auto& p : places)
            if (Went(p)) r.out += Output::Lines(p.label + L": " + p.fullKeyName + L" entfernt");
    }
    if (o.backup == KeyRemoval::Backup::Replaced) {
        r.out += Output::Lines(L"Wiederherstellungsdatei: " + RestoreFile::PathsIn(folder).restore);
        // Undoing is offered only for what went; the file may back up keys that stayed.
        if (anyWent) r.out += Output::Lines(L"R\u00fcckg\u00e4ngig machen: " + UndoCommand(folder, named));
    }
    if (o.result == Removal::Result::Removed) return r;

    r.err = Output::Lines(name + (!anyWent ? L" wurde nicht entfernt." : L" wurde nicht vollst\u00e4ndig entfernt."));
    for (const auto& p : places)
        if (Stays(p))
            r.err += Output::Lines(p.label + L": " + p.fullKeyName + L" bleibt: " + WhyItStays(p, o.backup));
    if (o.backup == KeyRemoval::Backup::NotWritten)
        r.err += Output::Lines(L"Die Wiederherstellungsdatei " + RestoreFile::PathsIn(folder).restore
                               + L" konnte nicht geschrieben werden.");
    if (o.backup == KeyRemoval::Backup::Taken)
        r.err += Output::Lines(L"Im Arbeitsordner liegt eine fremde Datei " + RestoreFile::PathsIn(folder).pending
                               + L"; die Wiederherstellungsdatei wurde nicht geschrieben.");
    for (const std::wstring& kept : o.exportsKept) r.err += Output::Lines(L"Export bleibt: " + folder + L"\\" + kept);
    const std::wstring previous = RestoreFile::PathsIn(folder).restore;
    if (o.backup != KeyRemoval::Backup::Replaced && Dateiexistenz::FileExists(previous))
        r.err += Output::Lines(L"Die bisherige Wiederherstellungsdatei " + previous + L" bleibt unver\u00e4ndert.");
    if (starts.failed > 0)
        r.err += Output::Lines(starts.rightsMissing() ? L"Der Registrierungs-Editor verlangt Administratorrechte."
                                                      : L"Der Registrierungs-Editor konnte nicht gestartet werden.");
    return r;
}

} // namespace Verbs
