// The console program's exit codes, which fleet tools act on: each outcome
// of a removal and a restore has its documented code, and every code is one
// that no fleet tool retries or takes for a restart. And the lines a
// removal's outcome gives, which a script's log keeps.
#include "console/Verbs.h"
#include "catalogue/ProductRow.h"
#include "platform/ProgramFolder.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <set>

using Deletion = KeyRemoval::Deletion;
using Removal::Result;

namespace {

struct RemovalCase {
    const char* what;
    Result result;
    std::array<Deletion, 3> places; // main register, its 32-bit view, user register
    int failedStarts;
    int code;
};

constexpr auto Kept = Deletion::NotTried;

const RemovalCase RemovalCases[] = {
    {"removed", Result::Removed, {Deletion::Deleted, Kept, Deletion::Deleted}, 0, ExitCode::Done},
    {"nothing to do", Result::NothingFound, {Kept, Kept, Kept}, 0, ExitCode::Done},
    {"a key that refuses to be read", Result::Unreadable, {Kept, Kept, Kept}, 0, ExitCode::EditorOrRights},
    {"leftover files in the folder", Result::OldFilesStay, {Kept, Kept, Kept}, 0, ExitCode::FolderUnusable},
    {"a name the editor cannot take", Result::UnsafeName, {Kept, Kept, Kept}, 0, ExitCode::KeptNoBackup},
    {"a name below a product", Result::NotAProduct, {Kept, Kept, Kept}, 0, ExitCode::BadCommandLine},
    {"one place removed, one kept", Result::Incomplete, {Deletion::Deleted, Kept, Kept}, 0, ExitCode::PartlyRemoved},
    {"one place removed, the editor failed for another", Result::Incomplete, {Kept, Kept, Deletion::Deleted}, 1,
     ExitCode::PartlyRemoved},
    {"nothing removed, the editor did not start", Result::Incomplete, {Kept, Kept, Kept}, 2, ExitCode::EditorOrRights},
    {"nothing removed, the registry refused", Result::Incomplete, {Deletion::Refused, Kept, Kept}, 0,
     ExitCode::EditorOrRights},
    {"nothing removed, no verified backup", Result::Incomplete, {Kept, Kept, Kept}, 0, ExitCode::KeptNoBackup},
    {"nothing removed, the key changed after its backup", Result::Incomplete, {Deletion::KeyChanged, Kept, Kept}, 0,
     ExitCode::KeptNoBackup},
    {"nothing removed, the restore file changed", Result::Incomplete, {Kept, Kept, Deletion::FileChanged}, 0,
     ExitCode::KeptNoBackup},
};

struct RestoreCase {
    Restore::Result result;
    int code;
};

const RestoreCase RestoreCases[] = {
    {Restore::Result::Done, ExitCode::Done},
    {Restore::Result::Missing, ExitCode::RestoreFileRefused},
    {Restore::Result::Changed, ExitCode::RestoreFileRefused},
    {Restore::Result::NotRead, ExitCode::RestoreFileRefused},
    {Restore::Result::Foreign, ExitCode::RestoreFileRefused},
    {Restore::Result::NotImportable, ExitCode::RestoreFileRefused},
    {Restore::Result::ProfileUnreachable, ExitCode::RestoreFileRefused},
    {Restore::Result::PersonsRegister, ExitCode::RestoreFileRefused},
    {Restore::Result::MainRegisterDenied, ExitCode::EditorOrRights},
    {Restore::Result::EditorNotStarted, ExitCode::EditorOrRights},
    {Restore::Result::NotRestored, ExitCode::RestoreIncomplete},
    {Restore::Result::NoBackup, ExitCode::RestoreIncomplete},
    {Restore::Result::NotDeleted, ExitCode::RestoreIncomplete},
};

} // namespace

TEST(ConsoleExitCode, EachOutcomeHasItsDocumentedCode)
{
    for (const RemovalCase& c : RemovalCases) {
        SCOPED_TRACE(c.what);
        Removal::Outcome outcome;
        outcome.result = c.result;
        outcome.registers.resize(c.places.size());
        for (size_t i = 0; i < c.places.size(); ++i) {
            outcome.registers[i].inScope = true;
            outcome.registers[i].deletion = c.places[i];
        }
        Editor::Starts starts;
        starts.failed = c.failedStarts;
        EXPECT_EQ(Verbs::RemovalExitCode(outcome, starts), c.code);
    }
    for (const RestoreCase& c : RestoreCases)
        EXPECT_EQ(Verbs::RestoreExitCode(c.result), c.code) << "restore result " << int(c.result);
}

namespace {

// The numbers that scripts, fleet tools and the README rely on, written out
// once: a code that changes its number, or two codes that swap, fail here.
struct Pinned {
    int code;
    int number;
    const wchar_t* meaning; // words of the help's line for it
};

const Pinned PinnedCodes[] = {
    {ExitCode::Done, 0, L"erledigt"},
    {ExitCode::Found, 1, L"/pruefen"},
    {ExitCode::BadCommandLine, 1639, L"ung\u00fcltige Befehlszeile"},
    {ExitCode::KeptNoBackup, 69001, L"keine gepr\u00fcfte Sicherung"},
    {ExitCode::PartlyRemoved, 69002, L"teilweise entfernt"},
    {ExitCode::RestoreIncomplete, 69003, L"Wiederherstellung unvollst\u00e4ndig"},
    {ExitCode::RestoreFileRefused, 69004, L"Wiederherstellungsdatei fehlt"},
    {ExitCode::EditorOrRights, 69005, L"Rechte fehlen"},
    {ExitCode::FolderUnusable, 69006, L"Arbeitsordner"},
    {ExitCode::ProfileUnreachable, 69007, L"Benutzerprofil war nicht erreichbar"},
    {ExitCode::Unexpected, 69099, L"unerwartet"},
};

} // namespace

TEST(ConsoleExitCode, EachCodeHasItsDocumentedNumberAndNoneIsRetriedOrRestarts)
{
    const std::wstring help = Verbs::Help();
    for (const Pinned& p : PinnedCodes) {
        SCOPED_TRACE(p.number);
        EXPECT_EQ(p.code, p.number);
        const auto* line = std::find_if(std::begin(ExitCode::Table), std::end(ExitCode::Table),
                                        [&](const ExitCode::Meaning& m) { return m.code == p.number; });
        ASSERT_NE(line, std::end(ExitCode::Table)) << "the help's table lists it";
        EXPECT_NE(std::wstring(line->text).find(p.meaning), std::wstring::npos) << testing::PrintToString(line->text);
        EXPECT_NE(help.find(L"  " + std::to_wstring(p.number) + L" "), std::wstring::npos) << "the help prints it";
        // 3010 and 1641 ask for a restart; small Win32 codes are retried.
        EXPECT_TRUE(p.number <= 1 || p.number == 1639 || (p.number >= 69000 && p.number <= 69099));
    }
    EXPECT_EQ(std::size(ExitCode::Table), std::size(PinnedCodes)) << "no code the help lists goes unpinned";
    std::set<int> codes;
    for (const ExitCode::Meaning& m : ExitCode::Table) EXPECT_TRUE(codes.insert(m.code).second) << m.code << " means one thing only";
    for (const RemovalCase& c : RemovalCases) EXPECT_TRUE(codes.count(c.code)) << c.what << ": not in the help's table";
    for (const RestoreCase& c : RestoreCases) EXPECT_TRUE(codes.count(c.code)) << "not in the help's table";
}

TEST(ConsoleExitCode, RemovalLinesSplitWhatWentFromWhatStays)
{
    // One view removed, the user register refused: each is told where it belongs.
    test::ScratchFolder folder;
    Removal::Outcome o;
    o.name = L"alpha";
    o.result = Result::Incomplete;
    o.backup = KeyRemoval::Backup::Replaced;
    o.registers = KeyRemoval::Registers(RestoreFile::PathsIn(folder.path()), 0);
    for (size_t i : {1u, 2u}) {
        KeyRemoval::Register& r = o.registers[i];
        r.keyPath = std::wstring(test::Velmora) + (i == 2 ? L"\\ALPHA" : L"\\Alpha");
        r.fullKeyName = std::wstring(ProductRow::RootName(r.root)) + L"\\" + r.keyPath;
        r.exported = true;
        r.deletion = i == 2 ? Deletion::Refused : Deletion::Deleted;
    }
    const Verbs::Report r = Verbs::RemovalReport(o, {}, folder.path(), true);
    EXPECT_EQ(r.out, L"Alpha wurde aus dem Hauptregister (32-Bit-Ansicht) entfernt.\r\n"
                     L"Hauptregister (32-Bit-Ansicht): HKEY_LOCAL_MACHINE\\Software\\Velmora\\Alpha entfernt\r\n"
                     L"Wiederherstellungsdatei: " + folder.path() + L"\\Uninstall.reg\r\n"
                     L"R\u00fcckg\u00e4ngig machen: Tessarine /wiederherstellen /ordner \"" + folder.path() + L"\"\r\n");
    EXPECT_EQ(r.err, L"Alpha wurde nicht vollst\u00e4ndig entfernt.\r\n"
                     L"Benutzerregister: HKEY_CURRENT_USER\\Software\\Velmora\\ALPHA bleibt: "
                     L"die Registrierung hat das L\u00f6schen verweigert\r\n")
        << "the new restore file is no previous one to speak of";

    EXPECT_EQ(Verbs::UndoCommand(ProgramFolder::Path(), false), L"Tessarine /wiederherstellen")
        << "the program's own folder, not named, needs no /ordner";
    EXPECT_EQ(Verbs::UndoCommand(ProgramFolder::Path(), true),
              L"Tessarine /wiederherstellen /ordner \"" + ProgramFolder::Path() + L"\"");
    EXPECT_EQ(Verbs::UndoCommand(L"D:", true), L"Tessarine /wiederherstellen /ordner \"D:\\\"")
        << "a drive's root, not its current folder";
}
