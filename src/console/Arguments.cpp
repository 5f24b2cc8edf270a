#include "console/Arguments.h"

#include "removal/KeyRemoval.h"
#include "removal/RestoreFiles.h"

#include <windows.h>
#include <algorithm>
#include <iterator>
#include <optional>

namespace Arguments {

namespace {

// Switch names and values as the system compares names: ordinal, without
// regard to case (so "PRÜFEN" is "prüfen" whatever the user's language).
bool Same(const std::wstring& a, const wchar_t* b)
{
    return CompareStringOrdinal(a.c_str(), int(a.size()), b, -1, TRUE) == CSTR_EQUAL;
}

bool IsSwitch(const std::wstring& s) { return s.size() > 1 && (s[0] == L'/' || s[0] == L'-'); }

struct VerbName {
    const wchar_t* name;
    Verb verb;
};
constexpr VerbName Verbs[] = {
    {L"?", Verb::Help},          {L"help", Verb::Help},         {L"hilfe", Verb::Help},
    {L"h", Verb::Help},          {L"liste", Verb::List},        {L"pruefen", Verb::Check},
    {L"pr\u00fcfen", Verb::Check}, {L"entfernen", Verb::Remove}, {L"wiederherstellen", Verb::Restore},
    {L"dateien", Verb::Files},
};

// The switches that take a value, and the one that takes none.
constexpr const wchar_t* ValueSwitches[] = {L"register", L"format", L"ordner"};
constexpr wchar_t PreviewSwitch[] = L"vorschau";
constexpr wchar_t AllUsersSwitch[] = L"alle-benutzer";

// Whether the argument is one of the program's own switches. A script whose
// variable is empty passes the next switch where the value belongs (older
// PowerShell drops empty arguments): "/ordner /vorschau" is never a folder.
bool IsKnownSwitch(const std::wstring& s)
{
    if (!IsSwitch(s)) return false;
    const std::wstring name = s.substr(1);
    for (const VerbName& v : Verbs)
        if (Same(name, v.name)) return true;
    for (const wchar_t* v : ValueSwitches)
        if (Same(name, v)) return true;
    return Same(name, PreviewSwitch) || Same(name, AllUsersSwitch);
}

struct ScopeName {
    const wchar_t* name;
    int scope;
};
constexpr ScopeName Scopes[] = {
    {L"beide", BothRegisters}, {L"benutzer", UserRegister}, {L"haupt", MainRegister}};

struct FormatName {
    const wchar_t* name;
    Format format;
};
constexpr FormatName Formats[] = {{L"text", Format::Text}, {L"csv", Format::Csv}, {L"json", Format::Json}};

Parsed Refuse(std::wstring why)
{
    Parsed p;
    p.error = std::move(why);
    return p;
}

// A restore file is named, never reached by a path: the file must lie in
// the working folder, whose files a removal wrote.
bool BareRestoreFileName(const std::wstring& name)
{
    if (name.find_first_of(L"\\/:*?\"<>|") != std::wstring::npos) return false;
    if (name == L"." || name == L"..") return false;
    return RestoreFiles::IsRestoreFileName(name);
}

constexpr wchar_t RestoreFileExtension[] = L".reg";

// Why a restore file's name is refused; a path gets the command that names
// its file and its folder apart.
std::wstring NotARestoreFileName(const std::wstring& named)
{
    std::wstring why = L"\"" + named + L"\" ist kein Name einer Wiederherstellungsdatei im Arbeitsordner.";
    const size_t slash = named.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return why;
    std::wstring file = named.substr(slash + 1);
    if (!BareRestoreFileName(file) && BareRestoreFileName(file + RestoreFileExtension)) file += RestoreFileExtension;
    std::wstring folder = named.substr(0, slash);
    if (folder.empty() || folder.back() == L':') folder += L'\\';
    why += L"\nNennen Sie die Datei ohne Pfad und ihren Ordner mit /ordner";
    if (BareRestoreFileName(file))
        why += L": Tessarine /wiederherstellen \"" + file + L"\" /ordner \"" + folder + L"\"";
    return why + L".";
}

} // namespace

Parsed Parse(const std::vector<std::wstring>& arguments)
{
    std::optional<Verb> verb;
    std::optional<std::wstring> operand, scope, format, folder;
    bool preview = false, allUsers = false;

    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& a = arguments[i];
        if (!IsSwitch(a)) {
            if (!verb) return Refuse(L"\"" + a + L"\" steht vor dem Befehl.");
            if (operand) {
                // "/entfernen Velmora Suite" without quotes reaches here as two words.
                std::wstring why = L"\"" + a + L"\" ist ein Argument zu viel.";
                if (*verb != Verb::List && *verb != Verb::Help)
                    why += L"\nEin Name mit Leerzeichen steht in Anf\u00fchrungszeichen: \"" + *operand + L" " + a + L"\".";
                return Refuse(why);
            }
            operand = a;
            continue;
        }
        const std::wstring name = a.substr(1);
        bool known = false;
        for (const VerbName& v : Verbs) {
            if (!Same(name, v.name)) continue;
            if (verb) return Refuse(L"Nur ein Befehl ist erlaubt: " + a + L".");
            verb = v.verb;
            known = true;
        }
        if (known) continue;
        std::optional<std::wstring>* option = Same(name, L"register") ? &scope
                                              : Same(name, L"format") ? &format
                                              : Same(name, L"ordner") ? &folder
                                                                      : nullptr;
        if (option) {
            if (*option) return Refuse(a + L" ist doppelt angegeben.");
            if (i + 1 >= arguments.size()) return Refuse(a + L" verlangt einen Wert.");
            if (IsKnownSwitch(arguments[i + 1]))
                return Refuse(a + L" verlangt einen Wert, nicht den Schalter " + arguments[i + 1] + L".");
            *option = arguments[++i];
            continue;
        }
        if (Same(name, AllUsersSwitch)) {
            if (allUsers) return Refuse(a + L" ist doppelt angegeben.");
            allUsers = true;
            continue;
        }
        if (Same(name, PreviewSwitch)) {
            if (preview) return Refuse(a + L" ist doppelt angegeben.");
            preview = true;
            continue;
        }
        return Refuse(L"Unbekannter Schalter: " + a + L".");
    }

    if (!verb) return Refuse(L"Kein Befehl angegeben.");
    Parsed p;
    Command& c = p.command;
    c.verb = *verb;
    if (c.verb == Verb::Help) {
        p.ok = true;
        return p;
    }
    if (scope) {
        if (c.verb == Verb::Restore) return Refuse(L"/register gilt nicht f\u00fcr /wiederherstellen.");
        if (c.verb == Verb::Files) return Refuse(L"/register gilt nicht f\u00fcr /dateien.");
        const auto* s = std::find_if(std::begin(Scopes), std::end(Scopes),
                                     [&](const ScopeName& n) { return Same(*scope, n.name); });
        if (s == std::end(Scopes)) return Refuse(L"/register kennt beide, benutzer und haupt, nicht \"" + *scope + L"\".");
        c.scope = s->scope;
    }
    if (format) {
        if (c.verb != Verb::List && c.verb != Verb::Files) return Refuse(L"/format gilt nur f\u00fcr /liste und /dateien.");
        const auto* f = std::find_if(std::begin(Formats), std::end(Formats),
                                     [&](const FormatName& n) { return Same(*format, n.name); });
        if (f == std::end(Formats)) return Refuse(L"/format kennt text, csv und json, nicht \"" + *format + L"\".");
        c.format = f->format;
    }
    if (preview && c.verb != Verb::Remove) return Refuse(L"/vorschau gilt nur f\u00fcr /entfernen.");
    c.preview = preview;
    if (allUsers) {
        // A restore brings each key back to the register its file names.
        if (c.verb != Verb::List && c.verb != Verb::Check && c.verb != Verb::Remove)
            return Refuse(L"/alle-benutzer gilt nur f\u00fcr /liste, /pruefen und /entfernen.");
        // It stands for the user registers: with the main register alone it would mean nothing.
        if (c.scope == MainRegister) return Refuse(L"/alle-benutzer gilt nicht mit /register haupt.");
        c.allUsers = true;
    }
    if (folder) {
        // cmd passes "C:\x\" as C:\x" (the backslash escapes the closing
        // quote): the folder C:\x is meant. A quote anywhere else means the
        // line was split wrongly, and a switch may hide in the rest.
        if (!folder->empty() && folder->back() == L'"') folder->back() = L'\\';
        if (folder->empty()) return Refuse(L"/ordner verlangt einen Pfad.");
        if (folder->find(L'"') != std::wstring::npos)
            return Refuse(L"Der Pfad \"" + *folder + L"\" enth\u00e4lt ein Anf\u00fchrungszeichen. "
                          L"Ein Pfad in Anf\u00fchrungszeichen endet ohne \\ vor dem schlie\u00dfenden Zeichen.");
        c.folder = *folder;
    }
    switch (c.verb) {
    case Verb::List:
        if (operand) return Refuse(L"/liste nimmt keinen Namen: \"" + *operand + L"\".");
        break;
    case Verb::Files:
        if (operand) return Refuse(L"/dateien nimmt keinen Namen: \"" + *operand + L"\".");
        break;
    case Verb::Check:
    case Verb::Remove:
        if (!operand || operand->empty()) return Refuse(L"Der Befehl verlangt den Namen eines Produkts.");
        if (!KeyRemoval::IsProductName(*operand))
            return Refuse(L"\"" + *operand + L"\" ist kein Produktname: er enth\u00e4lt einen umgekehrten Schr\u00e4gstrich.");
        c.name = *operand;
        break;
    case Verb::Restore:
        if (operand) {
            std::wstring named = *operand;
            // The file is meant even without its extension, as Explorer shows it.
            if (!BareRestoreFileName(named) && BareRestoreFileName(named + RestoreFileExtension))
                named += RestoreFileExtension;
            if (!BareRestoreFileName(named)) return Refuse(NotARestoreFileName(named));
            c.file = named;
        }
        break;
    case Verb::Help:
        break;
    }
    p.ok = true;
    return p;
}

} // namespace Arguments
