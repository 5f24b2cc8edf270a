#include "app/console/Arguments.h"

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
    {L"?", Verb::Help},          {L"liste", Verb::List},        {L"pruefen", Verb::Check},
    {L"pr\u00fcfen", Verb::Check}, {L"entfernen", Verb::Remove}, {L"wiederherstellen", Verb::Restore},
    {L"dateien", Verb::Files},
};

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

} // namespace

Parsed Parse(const std::vector<std::wstring>& arguments)
{
    std::optional<Verb> verb;
    std::optional<std::wstring> operand, scope, format, folder;
    bool preview = false;

    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& a = arguments[i];
        if (!IsSwitch(a)) {
            if (!verb) return Refuse(L"\"" + a + L"\" steht vor dem Befehl.");
            if (operand) return Refuse(L"\"" + a + L"\" ist ein Argument zu viel.");
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
            *option = arguments[++i];
            continue;
        }
        if (Same(name, L"vorschau")) {
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
    if (folder) {
        if (folder->empty()) return Refuse(L"/ordner verlangt einen Pfad.");
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
            if (!BareRestoreFileName(*operand))
                return Refuse(L"\"" + *operand + L"\" ist kein Name einer Wiederherstellungsdatei im Arbeitsordner.");
            c.file = *operand;
        }
        break;
    case Verb::Help:
        break;
    }
    p.ok = true;
    return p;
}

} // namespace Arguments
