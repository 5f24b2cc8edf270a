#pragma once
// The Linux side of a Wine process, read from /proc through drive Z:.
// Under Wine, GetProcessTimes and GetProcessMemoryInfo answer 0 for another
// process, so its processor time and peak memory come from here.
#include <string>

namespace bench {

class LinuxProcess {
public:
    LinuxProcess() = default;
    // The one live process whose first argument is the Windows path of the
    // program (as Wine sets it) and whose WINEPREFIX is ours; empty when
    // there is none, or more than one.
    static LinuxProcess Running(const std::wstring& windowsPath);
    // This driver itself (one instance per prefix at a time).
    static LinuxProcess Self();
    // The wineserver of our prefix, which does the registry and window work
    // that the processes ask of it.
    static LinuxProcess Server();

    bool found() const { return !dir_.empty(); }
    const std::wstring& pid() const { return pid_; }
    // User plus kernel time from stat (utime + stime), in the kernel's
    // 10 ms ticks, counting threads that have ended too.
    double TickSeconds() const;
    // Time on a processor summed over the live threads (schedstat), in
    // nanoseconds: fine enough for a fraction of a tick.
    double RunSeconds() const;
    // VmHWM, the peak resident set, in MB (1,048,576 bytes).
    double PeakMegabytes() const;

private:
    std::wstring pid_, dir_;
};

} // namespace bench
