// The console program's exit codes, which fleet tools act on: each outcome
// of a removal and a restore has its documented code, and every code is one
// that no fleet tool retries or takes for a restart.
#include "app/console/Verbs.h"

#include <gtest/gtest.h>

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
    {Restore::Result::PersonsRegister, ExitCode::RestoreFileRefused},
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

TEST(ConsoleExitCode, NoCodeIsRetriedOrRestartsTheMachine)
{
    constexpr int RebootRequired = 3010, RebootInitiated = 1641;
    constexpr int OwnFirst = 69000, OwnLast = 69099;
    std::set<int> codes;
    for (const ExitCode::Meaning& m : ExitCode::Table) {
        EXPECT_TRUE(codes.insert(m.code).second) << m.code << " means one thing only";
        EXPECT_NE(m.code, RebootRequired);
        EXPECT_NE(m.code, RebootInitiated);
        const bool convention = m.code == ExitCode::Done || m.code == ExitCode::Found || m.code == ExitCode::BadCommandLine;
        EXPECT_TRUE(convention || (m.code >= OwnFirst && m.code <= OwnLast))
            << m.code << " lies outside 69000-69099, where a fleet tool may retry it";
    }
    for (const RemovalCase& c : RemovalCases) EXPECT_TRUE(codes.count(c.code)) << c.what << ": not in the help's table";
    for (const RestoreCase& c : RestoreCases) EXPECT_TRUE(codes.count(c.code)) << "not in the help's table";
}
