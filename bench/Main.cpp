// The benchmark driver. Each mode measures one thing and prints its figures
// as "name value" lines for bench/run:
//   startup EXE FOLDER RUNS TIMEOUT ROWS  start-up until the first row is selected
//   removal EXE FOLDER RUNS NAME          one removal and one restore, RUNS times
//                                         (and the product's key and value count)
//   listing RUNS                          the listing in-process, three ways
//   spin RUNS                             a two-second wait that spins
//   phases ROOT KEY FILE RUNS             the removal's and the restore's own
//                                         steps in-process, on an export FILE of
//                                         KEY in ROOT (HKLM or HKCU); reads only
//   restore-files EXE FOLDER RUNS N       opening the restore files dialog with N
//                                         kept restore files planted in FOLDER
//   timer-check RUNS                      the timer's look for restore files next
//                                         to a plain existence test, in-process
//   count-start EXE FOLDER                one start-up, for counting its calls
//   count-plain                           one plain listing, for counting its calls
//   console COM FOLDER RUNS FIRST [SECOND] Tessarine.com with the arguments FIRST
//                                         (then SECOND) RUNS times, output to a file
//   steps FOLDER RUNS NAME                a small removal and restore (product NAME,
//                                         seeded here in the user register) step by
//                                         step in-process, FOLDER the working folder
//   profiles-make FOLDER N M              N people's profiles of M products each,
//                                         none loaded, their folders below FOLDER
//   profiles-remove FOLDER N              those profiles taken away; how many hives
//                                         the program left loaded
#include "Clock.h"
#include "ConsoleRuns.h"
#include "Listings.h"
#include "ManyProfiles.h"
#include "LinuxProcess.h"
#include "Program.h"
#include "Steps.h"

#include "app/ControlIds.h"
#include "app/RestoreFilesDialog.h"
#include "app/Root.h"
#include "platform/Dateiexistenz.h"
#include "platform/Handles.h"
#include "platform/Wartezeit.h"
#include "removal/BackupCheck.h"
#include "removal/RegFile.h"
#include "removal/RestoreCheck.h"
#include "removal/RestoreFile.h"
#include "removal/RestoreFiles.h"

#include <commctrl.h>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

using namespace bench;

namespace {

constexpr double CloseSeconds = 60;

std::string Samples(const std::vector<double>& samples)
{
    std::string text;
    char one[32];
    for (double s : samples) {
        std::snprintf(one, sizeof one, "%s%.3f", text.empty() ? "" : ",", s);
        text += one;
    }
    return text.empty() ? "-" : text;
}

void Figure(const char* name, const std::vector<double>& samples)
{
    std::printf("%s %.3f\n%s_samples %s\n", name, Median(samples), name, Samples(samples).c_str());
}

int Fail(const char* what)
{
    std::printf("error %s\n", what);
    std::fflush(stdout);
    return 1;
}

int StartUp(const std::wstring& exe, const std::wstring& folder, int runs, double timeout, int rows)
{
    std::vector<double> times, peaks;
    for (int i = 0; i < runs; ++i) {
        Program app;
        const double start = Now();
        if (!app.Start(exe, folder)) return Fail("program_not_started");
        const bool listed = app.WaitListed(timeout);
        const double took = Now() - start;
        const LinuxProcess linux = LinuxProcess::Running(exe);
        if (!linux.found()) return Fail("linux_process_not_found");
        if (!listed) {
            // A start-up beyond the limit is reported as such, with the
            // memory it had reached so far.
            std::printf("startup_timed_out %.0f\npeak_mb %.1f\nrows %d\n", timeout, linux.PeakMegabytes(),
                        app.Rows());
            app.Kill();
            return 0;
        }
        if (app.Rows() != rows) {
            std::printf("rows %d\n", app.Rows());
            return Fail("row_count_differs_from_seed");
        }
        times.push_back(took);
        peaks.push_back(linux.PeakMegabytes());
        if (!app.Close(CloseSeconds)) return Fail("program_did_not_close");
    }
    Figure("startup_s", times);
    Figure("peak_mb", peaks);
    std::printf("rows %d\n", rows);
    return 0;
}

// Where a product's key can be: the main register's 64-bit and 32-bit
// views and the user register.
struct Place {
    HKEY root;
    REGSAM view;
};
const Place Places[] = {{HKEY_LOCAL_MACHINE, 0}, {HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY}, {HKEY_CURRENT_USER, 0}};

bool KeyThere(const Place& place, const std::wstring& name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(place.root, (L"Software\\Velmora\\" + name).c_str(), 0, KEY_READ | place.view, &key)
        != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// The keys and values of a product's subtree in one register, its own key
// included.
struct Size {
    int keys = 0;
    long long values = 0;
    bool operator==(const Size&) const = default;
};

void Count(HKEY parent, const std::wstring& path, Size& size, REGSAM view = 0)
{
    KeyHandle key;
    if (RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ | view, key.put()) != ERROR_SUCCESS) return;
    DWORD values = 0;
    if (RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS)
        return;
    size.keys += 1;
    size.values += values;
    wchar_t name[256]; // a key name has at most 255 characters
    for (DWORD i = 0;; ++i) {
        DWORD length = DWORD(std::size(name));
        if (RegEnumKeyExW(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        Count(key.get(), name, size, view);
    }
}

Size ProductSize(const std::wstring& name)
{
    const std::wstring path = L"Software\\Velmora\\" + name;
    Size size;
    for (const Place& place : Places) Count(place.root, path, size, place.view);
    return size;
}

struct Cpu {
    double ticks, run;
    static Cpu Of(const LinuxProcess& p) { return {p.TickSeconds(), p.RunSeconds()}; }
};

int RemovalAndRestore(const std::wstring& exe, const std::wstring& folder, int runs, const std::wstring& name)
{
    const std::wstring restoreFile = folder + L"\\Uninstall.reg";
    bool seeded[std::size(Places)];
    int registers = 0;
    for (size_t p = 0; p < std::size(Places); ++p) registers += seeded[p] = KeyThere(Places[p], name);
    if (registers == 0) return Fail("product_not_seeded");
    auto allThere = [&] {
        for (size_t p = 0; p < std::size(Places); ++p)
            if (KeyThere(Places[p], name) != seeded[p]) return false;
        return true;
    };
    auto noneThere = [&] {
        for (const Place& place : Places)
            if (KeyThere(place, name)) return false;
        return true;
    };
    // A restore that brings back the product key but not all of its tree,
    // or not all of its values, would look like a fast one.
    const Size size = ProductSize(name);

    Program app;
    if (!app.Start(exe, folder) || !app.WaitListed(60)) return Fail("program_not_listed");
    const LinuxProcess linux = LinuxProcess::Running(exe);
    if (!linux.found()) return Fail("linux_process_not_found");

    const std::wstring rowStart = name + L"\t";
    std::vector<double> removal, restore, removalTicks, removalRun, restoreRun;
    for (int i = 0; i < runs; ++i) {
        int row = -1;
        const int rows = app.Rows();
        for (int r = 0; r < rows && row < 0; ++r)
            if (app.Row(r).rfind(rowStart, 0) == 0) row = r;
        if (row < 0) return Fail("no_row_for_product");
        app.SelectRow(row);

        // The bracket opens on an idle program and closes when the final
        // message shows: exactly one removal, its two boxes included.
        const Cpu before = Cpu::Of(linux);
        const double clicked = Now();
        app.Click(ControlIds::bEntfernen);
        HWND ask = nullptr;
        if (!Poll([&] { return (ask = app.FindBox(L" Velmora Tessarine")) != nullptr; }, 20))
            return Fail("no_confirmation");
        app.Press(ask, IDYES);
        HWND done = nullptr;
        if (!Poll([&] { return (done = app.FindBox(L" " + name)) != nullptr; }, 60)) return Fail("no_final_message");
        removal.push_back(Now() - clicked);
        const Cpu after = Cpu::Of(linux);
        removalTicks.push_back(after.ticks - before.ticks);
        removalRun.push_back(after.run - before.run);
        if (!noneThere()) return Fail("keys_still_there_after_removal");
        if (GetFileAttributesW(restoreFile.c_str()) == INVALID_FILE_ATTRIBUTES) return Fail("no_restore_file");

        app.Press(done, IDOK);
        // The timer enables the restore button within 0.6 s.
        if (!Poll([&] { return !app.FindBox(L" " + name) && app.Enabled(ControlIds::LProdukte)
                               && app.Enabled(ControlIds::bRestored); }, 10))
            return Fail("restore_button_not_enabled");

        const Cpu restoreBefore = Cpu::Of(linux);
        const double restoreClicked = Now();
        app.Click(ControlIds::bRestored);
        HWND yes = nullptr;
        if (!Poll([&] { return (yes = app.FindBox(L" Wiederherstellungsdateien")) != nullptr; }, 20))
            return Fail("no_restore_confirmation");
        app.Press(yes, IDYES);
        // Refilled: the file is gone and the list, whole again, is usable
        // with its first row selected (which only the end of it does).
        if (!Poll([&] { return GetFileAttributesW(restoreFile.c_str()) == INVALID_FILE_ATTRIBUTES
                               && app.Enabled(ControlIds::LProdukte) && app.SelectedRow() == 0
                               && app.Rows() == rows; }, 60))
            return Fail("list_not_refilled");
        restore.push_back(Now() - restoreClicked);
        restoreRun.push_back(Cpu::Of(linux).run - restoreBefore.run);
        if (!allThere()) return Fail("keys_not_restored");
        if (!(ProductSize(name) == size)) return Fail("subtree_not_restored");
        if (app.FindBox(L" Wiederherstellungsdateien")) return Fail("restore_reported_a_failure");
    }
    app.Close(CloseSeconds);
    Figure("removal_s", removal);
    Figure("restore_s", restore);
    Figure("removal_cpu_ticks_s", removalTicks);
    Figure("removal_cpu_s", removalRun);
    Figure("restore_cpu_s", restoreRun);
    std::printf("registers %d\nkeys %d\nvalues %lld\n", registers, size.keys, size.values);
    return 0;
}

int Listing(int runs)
{
    Root root(GetModuleHandleW(nullptr));
    if (!root.Create()) return Fail("window_not_created");
    std::vector<double> listing, reads, plain, oneOpen;
    int rows = 0, read = 0, listed = 0, listedOnce = 0;
    for (int i = 0; i < runs; ++i) {
        double start = Now();
        root.LRegister.select(0);
        root.LRegister_Click();
        listing.push_back(Now() - start);
        rows = root.LProdukte.count();

        start = Now();
        read = ProductReads(HKEY_LOCAL_MACHINE) + ProductReads(HKEY_CURRENT_USER);
        reads.push_back(Now() - start);

        start = Now();
        listed = PlainListing(HKEY_LOCAL_MACHINE) + PlainListing(HKEY_CURRENT_USER);
        plain.push_back(Now() - start);

        start = Now();
        listedOnce = OneOpenListing(HKEY_LOCAL_MACHINE) + OneOpenListing(HKEY_CURRENT_USER);
        oneOpen.push_back(Now() - start);
    }
    Figure("listing_s", listing);
    Figure("reads_s", reads);
    Figure("plain_s", plain);
    Figure("one_open_s", oneOpen);
    std::printf("rows %d\nread %d\nplain_listed %d\none_open_listed %d\n", rows, read, listed, listedOnce);
    return 0;
}

double ProcessSeconds()
{
    FILETIME created, ended, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user)) return -1;
    auto seconds = [](const FILETIME& t) {
        return double((ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

int Spin(int runs)
{
    // The wait as a busy loop: events, then the clock, until two seconds
    // have passed, without ever sleeping.
    const LinuxProcess me = LinuxProcess::Self(), server = LinuxProcess::Server();
    if (!me.found() || !server.found()) return Fail("linux_process_not_found");
    std::vector<double> own, linux, served, wall;
    for (int i = 0; i < runs; ++i) {
        const double cpu = ProcessSeconds(), run = me.RunSeconds(), serverRun = server.RunSeconds();
        const double start = Now();
        const double began = Wartezeit::SecondsSinceMidnight();
        do Wartezeit::DoEvents();
        while (Wartezeit::SecondsSinceMidnight() - began < 2.0);
        wall.push_back(Now() - start);
        own.push_back(ProcessSeconds() - cpu);
        linux.push_back(me.RunSeconds() - run);
        // Each look at the event queue is a request to the wineserver.
        served.push_back(server.RunSeconds() - serverRun);
    }
    Figure("spin_wall_s", wall);
    Figure("spin_cpu_s", own);
    Figure("spin_linux_cpu_s", linux);
    Figure("spin_server_cpu_s", served);
    return 0;
}

// The steps of the program's removal and restore that are its own work, not
// the registry editor's, each timed alone on the same export: reading the
// file, parsing it, reading the subtree from the registry, comparing the two,
// and the restore's check of every value in the registry.
int Phases(const std::wstring& rootName, const std::wstring& key, const std::wstring& file, int runs)
{
    const HKEY root = rootName == L"HKLM" ? HKEY_LOCAL_MACHINE : rootName == L"HKCU" ? HKEY_CURRENT_USER : nullptr;
    if (!root) return Fail("unknown_root");
    const std::wstring fullName =
        std::wstring(root == HKEY_LOCAL_MACHINE ? L"HKEY_LOCAL_MACHINE\\" : L"HKEY_CURRENT_USER\\") + key;
    std::vector<double> read, parse, tree, compare, inRegistry;
    size_t values = 0;
    for (int i = 0; i < runs; ++i) {
        std::string bytes;
        double start = Now();
        if (!RestoreFile::ReadBytes(file, bytes)) return Fail("export_not_read");
        read.push_back(Now() - start);

        start = Now();
        const RegFile::Content content = RegFile::Read(bytes);
        parse.push_back(Now() - start);

        std::vector<Registry::KeyContent> keys;
        start = Now();
        if (!Registry::RegTreeRead(root, key, keys)) return Fail("subtree_not_read");
        tree.push_back(Now() - start);

        const BackupCheck::Subtree subtree[] = {{fullName, &keys}};
        start = Now();
        if (!BackupCheck::BringsBack(content, subtree)) return Fail("export_does_not_bring_back_the_subtree");
        compare.push_back(Now() - start);

        start = Now();
        if (!RestoreCheck::InRegistry(content)) return Fail("export_not_in_registry");
        inRegistry.push_back(Now() - start);

        values = 0;
        for (const auto& k : keys) values += k.values.size();
    }
    Figure("read_s", read);
    Figure("parse_s", parse);
    Figure("tree_s", tree);
    Figure("compare_s", compare);
    Figure("in_registry_s", inRegistry);
    std::printf("values %zu\n", values);
    return 0;
}

// A restore file as a removal of one product of two values leaves it.
std::string SmallRestoreFile(int i)
{
    const std::wstring text = L"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Velmora\\Produkt "
                            + std::to_wstring(i) + L"]\r\n\"InstallDir\"=\"C:\\\\Programme\\\\Produkt\"\r\n"
                            + L"\"Version\"=\"1.0\"\r\n\r\n";
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : text) { bytes += char(c & 0xFF); bytes += char(c >> 8); }
    return bytes;
}

bool WriteBytes(const std::wstring& file, const std::string& bytes)
{
    FileHandle out(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return out && WriteFile(out.get(), bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size();
}

// Uninstall.reg and n kept restore files, a second apart.
std::vector<std::wstring> PlantRestoreFiles(const std::wstring& folder, int n)
{
    const RestoreFile::Paths paths = RestoreFile::PathsIn(folder);
    std::vector<std::wstring> files{paths.restore};
    for (int i = 0; i < n; ++i) {
        const SYSTEMTIME at{2026, 1, 0, WORD(1 + i / 86400), WORD(i / 3600 % 24), WORD(i / 60 % 60), WORD(i % 60), 0};
        files.push_back(RestoreFile::KeptPath(paths, at, 1));
    }
    for (size_t i = 0; i < files.size(); ++i)
        if (!WriteBytes(files[i], SmallRestoreFile(int(i)))) return {};
    return files;
}

int OpenRestoreFiles(const std::wstring& exe, const std::wstring& folder, int runs, int n)
{
    const std::vector<std::wstring> files = PlantRestoreFiles(folder, n);
    if (files.empty()) return Fail("restore_files_not_planted");
    auto removeAll = [&] { for (const auto& f : files) DeleteFileW(f.c_str()); };
    Program app;
    if (!app.Start(exe, folder) || !app.WaitListed(60)) {
        removeAll();
        return Fail("program_not_listed");
    }
    std::vector<double> open;
    for (int i = 0; i < runs; ++i) {
        HWND dialog = nullptr;
        const double start = Now();
        app.Command(ControlIds::RestoreFiles);
        // Open with every file listed and the first selected.
        const bool shown = Poll([&] {
            dialog = app.FindBox(RestoreFilesDialog::Title);
            const HWND list = dialog ? GetDlgItem(dialog, RestoreFilesDialog::FileList) : nullptr;
            return list && SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == LRESULT(files.size())
                && SendMessageW(list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED) == 0 && IsWindowVisible(dialog);
        }, 30);
        if (!shown) {
            removeAll();
            return Fail("dialog_not_shown");
        }
        open.push_back(Now() - start);
        app.Press(dialog, IDCANCEL);
        if (!Poll([&] { return !IsWindow(dialog); }, 10)) {
            removeAll();
            return Fail("dialog_not_closed");
        }
    }
    app.Close(CloseSeconds);
    removeAll();
    Figure("dialog_s", open);
    std::printf("files %zu\n", files.size());
    return 0;
}

// Microseconds a call, over many calls.
template <typename F>
double PerCall(F call)
{
    constexpr int Calls = 2000;
    const double start = Now();
    for (int i = 0; i < Calls; ++i) call();
    return (Now() - start) / Calls * 1e6;
}

// The folder as the timer finds it between changes: last written a while
// ago, so that its look may keep its answer while that time stands.
void AgeFolder(const std::wstring& folder)
{
    FileHandle handle(CreateFileW(folder.c_str(), FILE_WRITE_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER t{{now.dwLowDateTime, now.dwHighDateTime}};
    t.QuadPart -= 60ULL * 10'000'000;
    const FILETIME minuteAgo{t.LowPart, t.HighPart};
    if (handle) (void)SetFileTime(handle.get(), nullptr, nullptr, &minuteAgo);
}

// The timer's look a tick, over a folder that does not change meanwhile.
double TimerLook(const std::wstring& folder)
{
    AgeFolder(folder);
    RestoreFiles::LastLook last;
    return PerCall([&] { (void)RestoreFiles::Look(folder, last); });
}

int TimerCheck(int runs)
{
    wchar_t temp[MAX_PATH];
    if (!GetTempPathW(MAX_PATH, temp)) return Fail("no_temp_folder");
    const std::wstring folder = std::wstring(temp) + L"tessarine-timer-check";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring restore = RestoreFile::PathsIn(folder).restore;
    std::vector<double> lookEmpty, existsEmpty, lookOne, existsOne, lookMany, lookKeptOnly;
    for (int i = 0; i < runs; ++i) {
        lookEmpty.push_back(TimerLook(folder));
        existsEmpty.push_back(PerCall([&] { (void)Dateiexistenz::FileExists(restore); }));
        if (!WriteBytes(restore, SmallRestoreFile(0))) return Fail("restore_file_not_written");
        lookOne.push_back(TimerLook(folder));
        existsOne.push_back(PerCall([&] { (void)Dateiexistenz::FileExists(restore); }));
        const std::vector<std::wstring> files = PlantRestoreFiles(folder, 500);
        lookMany.push_back(TimerLook(folder));
        DeleteFileW(restore.c_str());
        lookKeptOnly.push_back(TimerLook(folder));
        for (const auto& f : files) DeleteFileW(f.c_str());
    }
    RemoveDirectoryW(folder.c_str());
    Figure("look_empty_us", lookEmpty);
    Figure("exists_empty_us", existsEmpty);
    Figure("look_one_us", lookOne);
    Figure("exists_one_us", existsOne);
    Figure("look_many_us", lookMany);
    Figure("look_kept_only_us", lookKeptOnly);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    auto arg = [&](int i) { return i < argc ? std::wstring(argv[i]) : std::wstring(); };
    int result = 2;
    if (mode == L"startup" && argc == 7)
        result = StartUp(arg(2), arg(3), _wtoi(argv[4]), _wtof(argv[5]), _wtoi(argv[6]));
    else if (mode == L"removal" && argc == 6)
        result = RemovalAndRestore(arg(2), arg(3), _wtoi(argv[4]), arg(5));
    else if (mode == L"listing" && argc == 3)
        result = Listing(_wtoi(argv[2]));
    else if (mode == L"phases" && argc == 6)
        result = Phases(arg(2), arg(3), arg(4), _wtoi(argv[5]));
    else if (mode == L"restore-files" && argc == 6)
        result = OpenRestoreFiles(arg(2), arg(3), _wtoi(argv[4]), _wtoi(argv[5]));
    else if (mode == L"timer-check" && argc == 3)
        result = TimerCheck(_wtoi(argv[2]));
    else if (mode == L"spin" && argc == 3)
        result = Spin(_wtoi(argv[2]));
    else if (mode == L"count-start" && argc == 4) {
        Program app;
        result = app.Start(arg(2), arg(3)) && app.WaitListed(120) && app.Close(CloseSeconds) ? 0 : Fail("startup");
    } else if (mode == L"console" && (argc == 6 || argc == 7)) {
        result = ConsoleRuns(arg(2), arg(3), _wtoi(argv[4]), arg(5), arg(6));
    } else if (mode == L"steps" && argc == 5) {
        result = Steps(arg(2), _wtoi(argv[3]), arg(4));
    } else if (mode == L"profiles-make" && argc == 5) {
        result = MakeProfiles(arg(2), _wtoi(argv[3]), _wtoi(argv[4]));
    } else if (mode == L"profiles-remove" && argc == 4) {
        result = RemoveProfiles(arg(2), _wtoi(argv[3]));
    } else if (mode == L"count-plain") {
        std::printf("plain_listed %d\n", PlainListing(HKEY_LOCAL_MACHINE) + PlainListing(HKEY_CURRENT_USER));
        result = 0;
    } else
        std::fprintf(stderr, "usage: see the head of bench/Main.cpp\n");
    std::fflush(stdout);
    return result;
}
