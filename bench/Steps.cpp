#include "Steps.h"

#include "Clock.h"

#include "app/Root.h"
#include "catalogue/Listing.h"
#include "catalogue/ProductRow.h"
#include "platform/Account.h"
#include "platform/Dateiexistenz.h"
#include "platform/Handles.h"
#include "platform/PlainFile.h"
#include "platform/Registry.h"
#include "platform/RegistryEditor.h"
#include "platform/Wartezeit.h"
#include "removal/BackupCheck.h"
#include "removal/KeyRemoval.h"
#include "removal/OperationLog.h"
#include "removal/RegFile.h"
#include "removal/Removal.h"
#include "removal/Restore.h"
#include "removal/RestoreCheck.h"
#include "removal/RestoreFile.h"
#include "removal/RestoreFiles.h"
#include "removal/Workspace.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace bench {

namespace {

constexpr wchar_t ProductRoot[] = L"Software\\Velmora\\";
// The user register alone, as the scope selector's index says it.
constexpr int UserRegister = 1;
constexpr size_t SeededValues = 4;

int Fail(const char* what)
{
    std::printf("error %s\n", what);
    return 1;
}

// The samples of each step in milliseconds, the steps in the order they
// were first taken.
class Table {
public:
    void Add(const std::string& step, double seconds)
    {
        auto row = std::find_if(rows_.begin(), rows_.end(), [&](const auto& r) { return r.first == step; });
        if (row == rows_.end()) row = rows_.insert(rows_.end(), {step, {}});
        row->second.push_back(seconds * 1000);
    }
    void Print() const
    {
        for (const auto& [step, samples] : rows_) {
            const auto [low, high] = std::minmax_element(samples.begin(), samples.end());
            std::printf("step\t%s\t%.2f\t%.2f\t%.2f\n", step.c_str(), *low, Median(samples), *high);
        }
    }

private:
    std::vector<std::pair<std::string, std::vector<double>>> rows_;
};

// One operation's steps as they are taken, and their sum.
struct StepClock {
    Table& table;
    const char* prefix;
    double sum = 0;

    template <typename F>
    auto operator()(const char* step, F call)
    {
        const double start = Now();
        if constexpr (std::is_void_v<decltype(call())>) {
            call();
            Took(step, Now() - start);
        } else {
            auto result = call();
            Took(step, Now() - start);
            return result;
        }
    }
    // A step timed beside the operation's own, not counted in its sum.
    template <typename F>
    void Aside(const char* step, F call)
    {
        const double start = Now();
        (void)call();
        table.Add(std::string(prefix) + step, Now() - start);
    }
    void Took(const char* step, double seconds)
    {
        table.Add(std::string(prefix) + step, seconds);
        sum += seconds;
    }
};

// When each registry editor that an operation started began and ended. The
// end is seen by a thread of its own that waits for the process, so that
// the operation waits for it exactly as it always does.
class EditorWatch {
public:
    struct Run {
        double started = 0;
        double ended = 0;
        ProcessHandle process; // a copy of the operation's handle, for waiting only
        ProcessHandle watcher;
    };

    ~EditorWatch() { Clear(); }

    ProcessHandle Start(const std::wstring& commandLine, int showStyle)
    {
        auto run = std::make_unique<Run>();
        run->started = Now();
        ProcessHandle editor = RegistryEditor::Start(commandLine, showStyle);
        HANDLE copy = nullptr;
        if (editor
            && DuplicateHandle(GetCurrentProcess(), editor.get(), GetCurrentProcess(), &copy, SYNCHRONIZE, FALSE, 0)) {
            run->process = ProcessHandle(copy);
            run->watcher = ProcessHandle(CreateThread(nullptr, 0, Watch, run.get(), 0, nullptr));
        }
        runs_.push_back(std::move(run));
        return editor;
    }

    // The runs since the last Clear, each seen to its end; empty when one was not.
    std::vector<std::pair<double, double>> Runs()
    {
        std::vector<std::pair<double, double>> seen;
        for (const auto& run : runs_) {
            if (!run->watcher || WaitForSingleObject(run->watcher.get(), 10000) != WAIT_OBJECT_0) return {};
            seen.emplace_back(run->started, run->ended);
        }
        return seen;
    }

    void Clear()
    {
        // A watcher still waiting holds its run: it ends with the editor,
        // which the operation has ended or waited for already.
        for (const auto& run : runs_)
            if (run->watcher) (void)WaitForSingleObject(run->watcher.get(), 10000);
        runs_.clear();
    }

private:
    static DWORD WINAPI Watch(void* context)
    {
        auto* run = static_cast<Run*>(context);
        (void)WaitForSingleObject(run->process.get(), INFINITE);
        run->ended = Now();
        return 0;
    }

    std::vector<std::unique_ptr<Run>> runs_;
};

// The window's message boxes, answered at once: yes to a question, OK to a
// message, and when each was answered.
struct Boxes {
    double confirmed = 0; // the question answered
    double told = 0;      // a message shown after it
    UINT toldStyle = 0;
    std::wstring toldText;
};

// What the window told, for a run that failed.
void Told(const Boxes& boxes)
{
    std::string text(boxes.toldText.size() * 3 + 1, '\0');
    const int n = WideCharToMultiByte(CP_UTF8, 0, boxes.toldText.c_str(), int(boxes.toldText.size()), text.data(),
                                      int(text.size()), nullptr, nullptr);
    text.resize(n > 0 ? size_t(n) : 0);
    for (char& c : text)
        if (c == '\n') c = ' ';
    std::printf("told %s\n", text.c_str());
}

bool Seed(const std::wstring& name)
{
    KeyHandle key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, (ProductRoot + name).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        key.put(), nullptr)
        != ERROR_SUCCESS)
        return false;
    auto text = [&](const wchar_t* value, const std::wstring& data) {
        return RegSetValueExW(key.get(), value, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                              DWORD((data.size() + 1) * sizeof(wchar_t)))
            == ERROR_SUCCESS;
    };
    const DWORD size = 4096;
    return text(L"InstallDir", L"C:\\Programme\\Velmora\\Schritte") && text(L"Version", L"2.4")
        && text(L"Publisher", L"Velmora")
        && RegSetValueExW(key.get(), L"EstimatedSize", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&size), sizeof size)
               == ERROR_SUCCESS;
}

// Whether the product is there with every seeded value, or not there at all.
bool Whole(const std::wstring& name)
{
    std::vector<Registry::KeyContent> keys;
    return Registry::RegTreeRead(HKEY_CURRENT_USER, ProductRoot + name, keys) && keys.size() == 1
        && keys[0].values.size() == SeededValues;
}
bool Gone(const std::wstring& name)
{
    return Registry::RegKeyPresence(HKEY_CURRENT_USER, ProductRoot + name) == Registry::Presence::Absent;
}

int RowOf(const Root& root, const std::wstring& name)
{
    for (int row = 0; row < root.LTemp.count(); ++row)
        if (root.LTemp.text(row) == name) return row;
    return -1;
}

// The editors' share of an operation that began at confirmed and ended at
// finished: their own run, the time before the first, after the last.
bool EditorShare(Table& table, const char* operation, EditorWatch& watch, double confirmed, double finished)
{
    const auto runs = watch.Runs();
    if (runs.empty()) return false;
    double editors = 0;
    for (const auto& [started, ended] : runs) editors += ended - started;
    const std::string prefix = std::string("window: ") + operation;
    table.Add(prefix + ", confirmation to its end", finished - confirmed);
    table.Add(prefix + ", registry editor (process start to end)", editors);
    table.Add(prefix + ", confirmation to the editor's start", runs.front().first - confirmed);
    table.Add(prefix + ", editor's end to the operation's end", finished - runs.back().second);
    watch.Clear();
    return true;
}

// The removal's steps in Removal::Remove's order, each through the call it
// makes there; the window's part as bEntfernen_Click does it.
int RemovalSteps(Table& table, Root& root, const std::wstring& folder, const std::wstring& name)
{
    StepClock step{table, "removal: "};
    const RegistryEditor::Seams seams = RegistryEditor::WindowSeams();
    step.Aside("preview for the question (before the confirmation; not summed)",
               [&] { return Removal::PreviewLines(Removal::Preview(name, UserRegister)); });

    Removal::Outcome outcome;
    outcome.name = name;
    outcome.registers = KeyRemoval::Registers(RestoreFile::PathsIn(folder), UserRegister);
    step("keys found and read whole (before anything is written)", [&] {
        for (auto& r : outcome.registers)
            if (r.inScope) {
                KeyRemoval::Find(r, name);
                (void)KeyRemoval::ReadableWhole(r);
            }
    });
    if (!step("file: leftovers cleared (4 names taken away as names)",
              [&] { return RestoreFile::ClearTemporaries(RestoreFile::PathsIn(folder)); }))
        return Fail("leftovers_not_cleared");
    std::optional<Workspace::Folder> space;
    if (!step("file: workspace folder made (access list of its own)", [&] { return space.emplace(folder).made(); }))
        return Fail("no_workspace");
    const RestoreFile::Paths paths = RestoreFile::PathsIn(folder, space->path());
    const KeyRemoval::RegisterSet placed = KeyRemoval::Registers(paths, UserRegister);
    for (size_t i = 0; i < placed.size(); ++i) outcome.registers[i].exportFile = placed[i].exportFile;
    KeyRemoval::Register* user = nullptr;
    for (auto& r : outcome.registers)
        if (r.inScope && r.found()) user = &r;
    if (!user) return Fail("product_not_found");
    step("window events let through (twice)", [] { Wartezeit::DoEvents(); });
    step("registry editor export (start to end)", [&] {
        ProcessHandle editor = RegistryEditor::Start(
            RegistryEditor::ExportCommand(user->exportFile, user->fullKeyName), RegistryEditor::ShowMinimized);
        seams.doEvents();
        user->exported = RegistryEditor::EndedWell(editor.get(), seams);
    });
    step("window events let through (twice)", [] { Wartezeit::DoEvents(); });
    if (!user->exported) return Fail("export_failed");

    // KeyRemoval::SecureBackup, its steps one by one.
    if (!step("verify: export read (plain file check)",
              [&] { return RestoreFile::ReadBytes(user->exportFile, user->exportBytes); }))
        return Fail("export_not_read");
    if (!step("verify: subtree read from the registry",
              [&] { return Registry::RegTreeRead(user->root, user->keyPath, user->tree); }))
        return Fail("subtree_not_read");
    const BackupCheck::Subtree checked[] = {{user->fullKeyName, &user->tree}};
    if (!step("verify: export parsed and compared with the subtree",
              [&] { return BackupCheck::BringsBack(RegFile::Read(user->exportBytes), checked); }))
        return Fail("export_does_not_bring_back");
    const std::string merged = RestoreFile::Merge(std::string(), user->exportBytes);
    if (!step("file: restore file written new and flushed (Uninstall.tmp)",
              [&] { return PlainFile::WriteNew(paths.pending, merged); }))
        return Fail("pending_not_written");
    std::string restoreBytes;
    if (!step("verify: restore file read back", [&] { return RestoreFile::ReadBytes(paths.pending, restoreBytes); }))
        return Fail("pending_not_read");
    if (!step("verify: read-back parsed and compared",
              [&] { return BackupCheck::BringsBack(RegFile::Read(restoreBytes), checked); }))
        return Fail("pending_does_not_bring_back");
    if (!step("file: old Uninstall.reg moved to its kept name, new one moved in",
              [&] { return RestoreFile::ReplaceRestoreFile(paths); }))
        return Fail("restore_file_not_replaced");
    user->backedUp = true;
    outcome.backup = KeyRemoval::Backup::Replaced;
    step("file: exports deleted (3 names taken away as names)", [&] { RestoreFile::DeleteExports(paths); });

    // KeyRemoval::DeleteBackedUp, its two steps.
    if (!step("verify: Uninstall.reg on disk still the one checked", [&] {
            std::string now;
            return RestoreFile::ReadBytes(paths.restore, now) && now == restoreBytes;
        }))
        return Fail("restore_file_changed");
    if (step("subtree deleted as read",
              [&] { return Registry::RegTreeDeleteAsRead(user->root, user->keyPath, user->tree); })
        != Registry::TreeDeletion::Deleted)
        return Fail("not_deleted");
    user->deletion = KeyRemoval::Deletion::Deleted;
    outcome.result = Removal::Result::Removed;
    step("file: exports left over looked for (3 names)", [&] {
        for (const auto* file : {&paths.mainExport, &paths.userExport, &paths.mainExport32})
            (void)Dateiexistenz::FileExists(*file);
    });
    step("log line (OperationLog::Append)", [&] {
        OperationLog::Entry entry{OperationLog::Removal, {KeyRemoval::StoredName(*user)}, {}, Removal::Message(outcome),
                                  RestoreFile::RestoreFileName};
        entry.registers.push_back({user->label, user->tree.size(), user->tree[0].values.size()});
        OperationLog::Append(folder, entry);
    });
    step("file: workspace folder taken away", [&] { space.reset(); });

    const int row = RowOf(root, name);
    if (row < 0) return Fail("no_row_for_product");
    step("window: row taken out of the list", [&] {
        root.LProdukte.remove(row);
        root.LTemp.remove(row);
        root.UpdateListExtentAfterRemoval();
        if (root.LProdukte.count() != 0) root.LProdukte.select(0);
    });
    step("window events let through (twice)", [] { Wartezeit::DoEvents(); });
    table.Add("removal: all steps above (sum)", step.sum);
    step.Aside("timer tick after it (Timer1_Timer, folder changed; not summed)", [&] {
        root.Timer1_Timer();
        return 0;
    });
    return Gone(name) ? 0 : Fail("keys_still_there_after_removal");
}

// The restore's steps in Restore::Run's order; the window's part as
// RestoreFrom does it.
int RestoreSteps(Table& table, Root& root, const std::wstring& folder, const std::wstring& name)
{
    StepClock step{table, "restore: "};
    const RegistryEditor::Seams seams = RegistryEditor::WindowSeams();
    const std::wstring file = RestoreFile::PathsIn(folder).restore;
    const std::wstring fileName = RestoreFile::RestoreFileName;

    step("window events let through (twice)", [] { Wartezeit::DoEvents(); });
    FileHandle held;
    if (!step("file opened and held (plain file check)", [&] { return bool(held = RestoreFile::OpenHeldToDelete(file)); }))
        return Fail("restore_file_not_held");
    std::string bytes;
    if (!step("verify: file read", [&] { return RestoreFile::ReadBytes(held.get(), bytes); }))
        return Fail("restore_file_not_read");
    RegFile::Content content;
    step("verify: file parsed", [&] { content = RegFile::Read(bytes); });
    if (!step("verify: product keys only, importable",
              [&] { return RestoreFiles::Check(true, content) == RestoreFiles::Refusal::None; }))
        return Fail("restore_file_refused");
    if (step("verify: account asked (a service account's own register?)", [] { return Account::ServiceAccount(); }))
        return Fail("service_account");
    std::optional<Workspace::Folder> space;
    if (!step("file: workspace folder made (access list of its own)", [&] { return space.emplace(folder).made(); }))
        return Fail("no_workspace");
    const std::wstring copy = space->file(fileName);
    FileHandle copyHeld;
    if (!step("file: import copy written new and held", [&] {
            return PlainFile::WriteNew(copy, bytes, PlainFile::Durability::WhileUsed)
                && (copyHeld = RestoreFile::OpenHeld(copy));
        }))
        return Fail("import_copy_not_written");
    // The parts of writing a file, beside the operation's: a new file
    // written and flushed as PlainFile::WriteNew does it, and a plain file
    // check as PlainFile::Open makes it.
    const std::wstring scratch = space->file(L"Schritte.tmp");
    FileHandle written;
    step.Aside("of the file writes, a new file made (CreateFileW CREATE_NEW; not summed)", [&] {
        return bool(written = FileHandle(CreateFileW(scratch.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                                     FILE_ATTRIBUTE_NORMAL, nullptr)));
    });
    step.Aside("of the file writes, its bytes written (WriteFile; not summed)", [&] {
        DWORD done = 0;
        return WriteFile(written.get(), bytes.data(), DWORD(bytes.size()), &done, nullptr);
    });
    step.Aside("of the file writes, flushed to the disk (FlushFileBuffers; not summed)",
               [&] { return FlushFileBuffers(written.get()); });
    step.Aside("of the file writes, closed (not summed)", [&] {
        written.reset();
        return 0;
    });
    step.Aside("of the plain file checks, one (PlainFile::Open for reading; not summed)",
               [&] { return bool(PlainFile::Open(scratch, GENERIC_READ, FILE_SHARE_READ)); });
    step.Aside("of the plain file checks, the open alone (CreateFileW; not summed)", [&] {
        return bool(FileHandle(CreateFileW(scratch.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL, nullptr)));
    });
    step.Aside("of the file deletions, one name taken away as a name (PlainFile::Remove; not summed)",
               [&] { return PlainFile::Remove(scratch); });
    step.Aside("of the file deletions, a name that is not there (PlainFile::Remove; not summed)",
               [&] { return PlainFile::Remove(scratch); });

    if (!step("registry editor import (start to end)", [&] {
            ProcessHandle editor =
                RegistryEditor::Start(RegistryEditor::ImportCommand(copy), RegistryEditor::ShowNormal);
            seams.doEvents();
            return RegistryEditor::EndedWell(editor.get(), seams);
        }))
        return Fail("import_failed");
    if (!step("verify: every key and value checked in the registry", [&] { return RestoreCheck::InRegistry(content); }))
        return Fail("not_in_registry");
    if (!step("file: Uninstall.bak written (new file, flushed, renamed over)",
              [&] { return PlainFile::Replace(RestoreFile::PathsIn(folder).backup, bytes); }))
        return Fail("no_backup");
    if (!step("file: Uninstall.reg deleted through its handle", [&] { return PlainFile::DeleteOnClose(held.get()); }))
        return Fail("not_deleted");
    step("file: handles closed, workspace folder taken away", [&] {
        copyHeld.reset();
        space.reset();
        held.reset();
    });
    step("log line (OperationLog::Append)", [&] {
        const RestoreFiles::Held what = RestoreFiles::WhatItHolds(content);
        OperationLog::Entry entry{OperationLog::Restore, {}, what.registers, L"Die Eintr\u00e4ge wurden wiederhergestellt.",
                                  fileName};
        for (const auto& p : what.products) entry.products.push_back(p.name);
        OperationLog::Append(folder, entry);
    });
    step("window: relisting (LRegister_Click)", [&] {
        root.LRegister_Click();
        if (root.LProdukte.count() != 0) root.LProdukte.select(0);
    });
    step("window events let through (twice)", [] { Wartezeit::DoEvents(); });
    table.Add("restore: all steps above (sum)", step.sum);
    step.Aside("of the relisting, the registry reads alone (Listing::GetProgramme, both registers; not summed)", [] {
        Listing::Names listed;
        return Listing::GetProgramme(HKEY_LOCAL_MACHINE, ProductRow::ProductRoot, listed).size()
             + Listing::GetProgramme(HKEY_CURRENT_USER, ProductRow::ProductRoot, listed).size();
    });
    step.Aside("timer tick after it (Timer1_Timer, folder changed; not summed)", [&] {
        root.Timer1_Timer();
        return 0;
    });
    step.Aside("timer's look alone (RestoreFiles::Look, no earlier look; not summed)",
               [&] { return RestoreFiles::Look(folder); });
    if (RowOf(root, name) < 0) return Fail("no_row_after_relisting");
    return Whole(name) ? 0 : Fail("keys_not_restored");
}

int Run(Table& table, Root& root, Boxes& boxes, EditorWatch& watch, const std::wstring& folder,
        const std::wstring& name)
{
    // The window's removal, from the answered question to its message.
    const int row = RowOf(root, name);
    if (row < 0) return Fail("no_row_for_product");
    root.LProdukte.select(row);
    boxes = {};
    root.bEntfernen_Click();
    if (!boxes.confirmed || !boxes.told) return Fail("removal_asked_or_told_nothing");
    if (boxes.toldStyle & MB_ICONEXCLAMATION) {
        Told(boxes);
        return Fail("removal_warned");
    }
    if (!Gone(name)) return Fail("keys_still_there_after_removal");
    if (!EditorShare(table, "removal", watch, boxes.confirmed, boxes.told)) return Fail("removal_editor_not_seen");
    table.Add("window: timer tick after the removal (folder changed)", [&] {
        const double start = Now();
        root.Timer1_Timer();
        return Now() - start;
    }());

    // The window's restore, from the answered question to the handler's
    // end: a restore that worked shows nothing.
    boxes = {};
    root.bRestored_Click();
    const double finished = Now();
    if (!boxes.confirmed) return Fail("restore_asked_nothing");
    if (boxes.told) {
        Told(boxes);
        return Fail("restore_reported_a_failure");
    }
    if (!Whole(name)) return Fail("keys_not_restored");
    if (!EditorShare(table, "restore", watch, boxes.confirmed, finished)) return Fail("restore_editor_not_seen");

    if (const int failed = RemovalSteps(table, root, folder, name)) return failed;
    return RestoreSteps(table, root, folder, name);
}

} // namespace

int Steps(const std::wstring& folder, int runs, const std::wstring& name)
{
    if (!Seed(name) || !Whole(name)) return Fail("product_not_seeded");
    Boxes boxes;
    EditorWatch watch;
    RootSeams seams;
    seams.workingFolder = folder;
    seams.startProcess = [&](const std::wstring& commandLine, int showStyle) {
        return watch.Start(commandLine, showStyle);
    };
    seams.messageBox = [&](HWND, const std::wstring& text, const std::wstring&, UINT style) {
        if ((style & MB_TYPEMASK) == MB_YESNO) {
            boxes.confirmed = Now();
            return IDYES;
        }
        boxes.told = Now();
        boxes.toldStyle = style;
        boxes.toldText = text;
        return IDOK;
    };
    Root root(GetModuleHandleW(nullptr), seams);
    if (!root.Create()) return Fail("window_not_created");
    root.Form_Load();
    root.Show(SW_SHOWNORMAL);
    Wartezeit::DoEvents();

    Table table;
    int failed = 0;
    for (int i = 0; i < runs && !failed; ++i) failed = Run(table, root, boxes, watch, folder, name);
    if (!failed) table.Print();
    std::printf("rows %d\nvalues %zu\n", root.LProdukte.count(), SeededValues);
    // The product goes again: the rows after this one seed their own.
    (void)RegDeleteTreeW(HKEY_CURRENT_USER, (ProductRoot + name).c_str());
    return failed;
}

} // namespace bench
