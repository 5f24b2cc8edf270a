// Figures for the benchmark: start-up, one removal and one restore through
// the real program, its processor time and peak memory, and the listing's
// registry cost next to a listing done the plain way.
#include "Driver.h"

#include "app/ControlIds.h"
#include "app/Root.h"
#include "catalogue/ProductRow.h"
#include "platform/Handles.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

double Now()
{
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return double(c.QuadPart) / double(f.QuadPart);
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

std::string ReadAll(const std::wstring& path)
{
    FileHandle in(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    std::string s;
    char buf[4096];
    DWORD got = 0;
    while (in && ReadFile(in.get(), buf, sizeof buf, &got, nullptr) && got) s.append(buf, got);
    return s;
}

// The Linux process that runs Tessarine.exe, seen through drive Z:.
std::wstring LinuxProcess()
{
    WIN32_FIND_DATAW d;
    FindHandle find(FindFirstFileW(L"Z:\\proc\\*", &d));
    if (!find) return {};
    do {
        if (d.cFileName[0] < L'0' || d.cFileName[0] > L'9') continue;
        const std::wstring dir = std::wstring(L"Z:\\proc\\") + d.cFileName;
        const std::string cmd = ReadAll(dir + L"\\cmdline");
        if (cmd.find("Tessarine.exe") != std::string::npos && cmd.find("wineserver") == std::string::npos)
            return dir;
    } while (FindNextFileW(find.get(), &d));
    return {};
}

// User plus kernel time in seconds.
double CpuSeconds(const std::wstring& proc)
{
    const std::string stat = ReadAll(proc + L"\\stat");
    const size_t close = stat.rfind(')');
    if (close == std::string::npos) return -1;
    std::vector<std::string> fields;
    size_t at = close + 2;
    while (at < stat.size()) {
        size_t end = stat.find(' ', at);
        fields.push_back(stat.substr(at, end - at));
        if (end == std::string::npos) break;
        at = end + 1;
    }
    // utime and stime are fields 14 and 15 of the line, 12 and 13 here.
    return fields.size() > 13 ? (std::atof(fields[11].c_str()) + std::atof(fields[12].c_str())) / 100.0 : -1;
}

double PeakMegabytes(const std::wstring& proc)
{
    const std::string status = ReadAll(proc + L"\\status");
    const size_t at = status.find("VmHWM:");
    return at == std::string::npos ? -1 : std::atof(status.c_str() + at + 6) / 1024.0;
}

// The listing the plain way: per product an enumeration step, and per value
// an open, a query for the size, a query for the data and a close.
int PlainListing(HKEY root)
{
    KeyHandle key;
    if (RegOpenKeyExW(root, L"Software\\Velmora", 0, KEY_ALL_ACCESS, key.put())) return 0;
    int n = 0;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD size = 256;
        if (RegEnumKeyExW(key.get(), i, name, &size, nullptr, nullptr, nullptr, nullptr)) break;
        for (const wchar_t* value : {L"InstallDir", L"Version"}) {
            KeyHandle product;
            if (RegOpenKeyExW(root, (std::wstring(L"Software\\Velmora\\") + name).c_str(), 0, KEY_READ, product.put()))
                continue;
            DWORD type = 0, bytes = 0;
            if (RegQueryValueExW(product.get(), value, nullptr, &type, nullptr, &bytes)) continue;
            std::vector<BYTE> data(bytes + 2);
            RegQueryValueExW(product.get(), value, nullptr, &type, data.data(), &bytes);
        }
        ++n;
    }
    return n;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 4) return 2;
    const std::wstring mode = argv[1], exe = argv[2], folder = argv[3];
    const int runs = argc > 4 ? _wtoi(argv[4]) : 5;

    if (mode == L"startup") {
        std::vector<double> times;
        double peak = -1;
        for (int i = 0; i < runs; ++i) {
            const double start = Now();
            Driver app(exe, folder);
            if (!app.started() || app.SelectedRow() != 0) {
                // The driver waits 20 s for the window.
                std::printf("startup_s >20\npeak_mb %.1f\n", PeakMegabytes(LinuxProcess()));
                return 0;
            }
            times.push_back(Now() - start);
            peak = std::max(peak, PeakMegabytes(LinuxProcess()));
            app.Close();
        }
        std::printf("startup_s %.3f\npeak_mb %.1f\n", Median(times), peak);
        return 0;
    }
    if (mode == L"listing") {
        std::vector<double> ours, plain;
        Root root(GetModuleHandleW(nullptr));
        if (!root.Create()) return 1;
        for (int i = 0; i < runs; ++i) {
            double t = Now();
            root.LProdukte.clear();
            root.LTemp.clear();
            root.GetProgramme(HKEY_LOCAL_MACHINE, ProductRow::ProductRoot);
            root.GetProgramme(HKEY_CURRENT_USER, ProductRow::ProductRoot);
            ours.push_back(Now() - t);
            t = Now();
            PlainListing(HKEY_LOCAL_MACHINE);
            PlainListing(HKEY_CURRENT_USER);
            plain.push_back(Now() - t);
        }
        std::printf("listing_s %.3f\nplain_registry_s %.3f\n", Median(ours), Median(plain));
        return 0;
    }
    if (mode == L"removal") {
        std::vector<double> removal, restore, cpu;
        Driver app(exe, folder);
        if (!app.started()) return 1;
        const std::wstring proc = LinuxProcess();
        for (int i = 0; i < runs; ++i) {
            app.SelectRow(0);
            const std::wstring name = app.Rows().at(0).substr(0, app.Rows().at(0).find(L'\t'));
            app.Click(ControlIds::bEntfernen);
            HWND ask = app.WaitForBox(L" Velmora Tessarine");
            if (!ask) return 1;
            const double cpu0 = CpuSeconds(proc);
            const double t = Now();
            app.Press(ask, IDYES);
            HWND done = app.WaitForBox(L" " + name);
            if (!done) return 1;
            removal.push_back(Now() - t);
            cpu.push_back(CpuSeconds(proc) - cpu0);
            app.Press(done, IDOK);
            app.WaitIdle();
            WaitFor([&] { return app.Enabled(ControlIds::bRestored); }, 2000);
            app.Click(ControlIds::bRestored);
            HWND yes = app.WaitForBox(L" Wiederherstellungsdateien");
            if (!yes) return 1;
            const double r = Now();
            app.Press(yes, IDYES);
            WaitFor([&] { return GetFileAttributesW((folder + L"\\Uninstall.reg").c_str()) == INVALID_FILE_ATTRIBUTES
                                 && app.Enabled(ControlIds::LProdukte) && app.SelectedRow() == 0; }, 20000);
            restore.push_back(Now() - r);
        }
        std::printf("removal_s %.3f\nrestore_s %.3f\nremoval_cpu_s %.3f\n", Median(removal), Median(restore),
                    Median(cpu));
        app.Close();
        return 0;
    }
    if (mode == L"ours" || mode == L"plain") {
        // One listing alone, for counting its registry calls.
        Root root(GetModuleHandleW(nullptr));
        if (!root.Create()) return 1;
        if (mode == L"ours") {
            root.GetProgramme(HKEY_LOCAL_MACHINE, ProductRow::ProductRoot);
            root.GetProgramme(HKEY_CURRENT_USER, ProductRow::ProductRoot);
        } else {
            PlainListing(HKEY_LOCAL_MACHINE);
            PlainListing(HKEY_CURRENT_USER);
        }
        return 0;
    }
    return 2;
}
