#pragma once
// Arranging the real platform for a test: registry keys and values below
// Software\Velmora, a scratch working folder, and files in it.
#include <windows.h>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace test {

inline constexpr wchar_t Velmora[] = L"Software\\Velmora";
// The same key in the main register's 32-bit view, as a 64-bit program
// names it.
inline constexpr wchar_t Velmora32[] = L"Software\\Wow6432Node\\Velmora";

// The final message of a removal that backed up and removed everything.
inline constexpr wchar_t RemovedMessage[] =
    L"Die Eintr\u00e4ge wurden aus dem Velmora Haupt- und Benutzerregister entfernt.   \n"
    L"Eine Wiederherstellungsdatei der Registrierung wurde im Arbeitsordner erstellt.   \n"
    L"Klicken Sie die Datei ''Uninstall.reg'' an, um den Eintrag wiederherzustellen.";

// Removes Software\Velmora below both roots, in both views of the main
// register, when made and when it goes, so that each test starts from and
// leaves a clean product root.
class CleanVelmora {
public:
    CleanVelmora();
    ~CleanVelmora();
    CleanVelmora(const CleanVelmora&) = delete;
    CleanVelmora& operator=(const CleanVelmora&) = delete;
};

// Creates the key (and the levels above it) or fails the test. view is 0,
// or KEY_WOW64_32KEY for the main register's 32-bit view, as a 32-bit
// installer writes it.
void CreateKey(HKEY root, const std::wstring& path, REGSAM view = 0);
void SetValue(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
              const void* data, DWORD bytes, REGSAM view = 0);
void SetString(HKEY root, const std::wstring& path, const std::wstring& name,
               const std::wstring& text, DWORD type = REG_SZ, REGSAM view = 0);
void SetDword(HKEY root, const std::wstring& path, const std::wstring& name, DWORD value, REGSAM view = 0);
// A product key with optional InstallDir and Version values.
void AddProduct(HKEY root, const std::wstring& name, const wchar_t* installDir = nullptr,
                const wchar_t* version = nullptr, REGSAM view = 0);
bool KeyExists(HKEY root, const std::wstring& path, REGSAM view = 0);

// A folder of its own below the temporary folder, whose name holds a blank
// and an umlaut; removed with its files when the test ends.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::wstring& path() const { return path_; }
    std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

void WriteFileBytes(const std::wstring& path, const std::string& bytes);
std::string ReadFileBytes(const std::wstring& path);
bool FileThere(const std::wstring& path);
// A symbolic link at link that leads to target, made on the Unix side
// (cmd /c start /unix /bin/ln -s): Wine's CreateSymbolicLinkW makes nothing,
// and its file calls follow a real link as Windows' do. The target need not
// exist. Waits until the link is there; false when no link could be made.
bool MakeLink(const std::wstring& target, const std::wstring& link);
// Removes the link itself, on the Unix side: Wine's DeleteFileW deletes a
// link's target, and finds nothing at the end of one that leads nowhere.
bool RemoveLink(const std::wstring& link);

// UTF-16LE bytes with the byte order mark, as the registry editor writes.
std::string Utf16File(const std::wstring& text);
// The first line of a registry file as the registry editor writes it.
inline constexpr wchar_t RegHeader[] = L"Windows Registry Editor Version 5.00";
// The header line and the blank line after it, as an export begins.
inline const std::wstring RegHead = std::wstring(RegHeader) + L"\r\n\r\n";

// The text's parts between each occurrence of by: a row's or a log line's
// fields at its tabs, a file's lines at their line ends.
std::vector<std::wstring> Split(const std::wstring& text, const std::wstring& by = L"\t");

// The product root (or the key below it) of both registers, and of the main
// register's 32-bit view, as read directly: every key with its name as
// stored, every value's name, type and bytes, in a fixed order. A key that exists but cannot be read, or two
// registers that hold nothing, fail the test: an empty picture would compare
// equal to anything.
std::string RegistryDump(const std::wstring& below = Velmora);

// The key names a registry file holds, as the reader reads them.
std::vector<std::wstring> KeysInFile(const std::wstring& file);

// Runs a command line to its end (at most a minute); its exit code when asked.
bool RunAndWait(const std::wstring& commandLine, DWORD* exitCode = nullptr);

// Runs the real registry editor: an export of one key, or a silent import.
bool ExportKey(const std::wstring& fullKeyName, const std::wstring& file);
bool ImportFile(const std::wstring& file);

// Takes the quit message out of this thread's queue; true when one was
// there, its exit code in exitCode. The program's window posts it when it is
// destroyed, and the event pump passes it on, so one left behind would wake
// every later wait of the test program at once.
bool TakeQuit(WPARAM* exitCode = nullptr);

// UTF-8 for test messages.
std::string Narrow(const std::wstring& text);

// How many minutes local time is ahead of UTC now, from the local and the
// UTC clock read side by side, without asking the platform for its zone.
int MinutesEastOfUtcNow();
// The time tests run once more under another zone (tests/CMakeLists.txt),
// whose offsets TESSARINE_EXPECT_UTC_OFFSETS lists in minutes east of UTC
// ("-210,-150": standard and summer time). A run that silently stayed in
// UTC would pass every time test whatever the program made of local time,
// so such a run first asks whether local time is in that zone. Without the
// variable any zone passes.
testing::AssertionResult InTheExpectedZone();

} // namespace test
