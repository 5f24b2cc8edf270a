#include "console/AllUsers.h"

#include "console/ListFormat.h"
#include "console/Output.h"
#include "console/Rights.h"
#include "catalogue/ProductRow.h"
#include "removal/Removal.h"

namespace AllUsers {

namespace {

bool TakesMainRegister(int scope) { return scope == Arguments::BothRegisters; }

// The text rows of one person, as the window's rows read with the person's
// hive as their root.
std::wstring TextOf(const std::vector<Listing::Place>& places)
{
    std::wstring text;
    for (const Listing::Place& p : places) {
        const std::wstring root = p.key.substr(0, p.key.find(L'\\', p.key.find(L'\\') + 1));
        std::wstring line = ProductRow::Make(p.name, root, p.installDir.value_or(ProductRow::NoInstallDir),
                                             p.version.value_or(ProductRow::NoVersion))
                          + L"\t" + p.view;
        if (!ListFormat::Exact(line)) line += std::wstring(L"\t") + ListFormat::ReplacedNote;
        text += line + Output::EndOfLine;
    }
    return text;
}

void Unreachable(const std::vector<People::Unreached>& unreached, Verbs::Report& r)
{
    if (unreached.empty()) return;
    for (const People::Unreached& u : unreached) r.err += Output::Lines(People::UnreachedLine(u));
    if (r.exitCode == ExitCode::Done) r.exitCode = ExitCode::ProfileUnreachable;
}

} // namespace


Verbs::Report List(const Arguments::Command& c)
{
    Verbs::Report r;
    std::vector<Listing::Place> places;
    if (TakesMainRegister(c.scope)) places = Listing::Places(Arguments::MainRegister);
    std::wstring text;
    if (c.format == Arguments::Format::Text && TakesMainRegister(c.scope))
        text = ListFormat::Text(Listing::List(Arguments::MainRegister));
    // Each hive is loaded once, read whole, and given back before the next.
    const std::vector<People::Unreached> unreached = People::ForEach([&](const Profiles::Profile& profile) {
        std::vector<Listing::Place> own = People::PlacesOf(profile);
        text += TextOf(own);
        std::move(own.begin(), own.end(), std::back_inserter(places));
    });
    switch (c.format) {
    case Arguments::Format::Text: r.out = text; break;
    case Arguments::Format::Csv: r.out = ListFormat::Csv(places); break;
    case Arguments::Format::Json: r.out = ListFormat::Json(places); break;
    }
    if (TakesMainRegister(c.scope) && Rights::MainRegisterDenied()) {
        r.exitCode = ExitCode::EditorOrRights;
        r.err = Output::Lines(L"Das Hauptregister kann ohne Administratorrechte nicht gelesen werden; "
                              L"seine Produkte fehlen in der Liste.");
    }
    Unreachable(unreached, r);
    return r;
}

Verbs::Report Check(const Arguments::Command& c)
{
    Verbs::Report r;
    std::wstring found;
    const auto add = [&](const std::wstring& label, bool readable) {
        found += (found.empty() ? L"" : L", ") + label + (readable ? L"" : L" - nicht vollst\u00e4ndig lesbar");
    };
    if (TakesMainRegister(c.scope))
        for (const Removal::PreviewPlace& place : Removal::Preview(c.name, Arguments::MainRegister))
            if (!place.keys.empty() || !place.readable) add(place.label, place.readable);
    const std::vector<People::Unreached> unreached = People::ForEach([&](const Profiles::Profile& profile) {
        const People::Found f = People::FindProduct(profile, c.name);
        if (f.presence != Registry::Presence::Absent) add(People::Label(profile), f.whole);
    });
    if (found.empty()) {
        r.out = Output::Lines(c.name + L": nicht gefunden.");
        r.err = Verbs::NameHint(c.name);
    } else {
        // Found anywhere is found: a detection starts the remediation, which
        // names the profiles it cannot reach.
        r.exitCode = ExitCode::Found;
        r.out = Output::Lines(c.name + L": gefunden (" + found + L").");
    }
    // A profile that could not be looked into is no clean profile.
    Unreachable(unreached, r);
    return r;
}

} // namespace AllUsers
