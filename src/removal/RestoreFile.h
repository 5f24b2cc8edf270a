#pragma once
// The restore file Uninstall.reg and the temporary exports it is assembled
// from, all in the working folder.
//
// The registry editor writes each export as UTF-16LE text: the byte order
// mark FF FE, the header line "Windows Registry Editor Version 5.00" and the
// keys. Merging keeps the main-register export whole and appends the
// user-register export from the line end after its header on, so that the
// restore file has one byte order mark and one header, at the start. No
// extra line end is written: every export already ends with a blank line.
#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace RestoreFile {

struct Paths {
    std::wstring mainExport; // Uninstall_1.reg, the main register's key
    std::wstring userExport; // Uninstall_2.reg, the user register's key
    std::wstring pending;    // Uninstall.tmp, the new restore file until it is complete
    std::wstring restore;    // Uninstall.reg
    std::wstring backup;     // Uninstall.bak
};

// The working folder's path followed directly by "\Uninstall_1.reg" and so on.
Paths PathsIn(const std::wstring& workingFolder);

// Deletes leftover exports and a leftover pending file, so that none of
// them can end up in a new restore file. The restore file stays: it is the
// last removal's only backup until a new one replaces it; kept restore
// files are the user's. True when none of the temporary files is left.
bool ClearTemporaries(const Paths& paths);

enum class Assembly {
    NoExport, // neither export exists: there is nothing to restore
    Made,     // the bytes hold every export
    Failed,   // an export could not be read
};

// The new restore file's content: both exports merged, or the one that
// exists. Reads the exports and changes no file.
Assembly Assemble(const Paths& paths, std::string& bytes);

// Writes the bytes under the pending name, flushed to the disk, and reads
// back what the disk holds now into onDisk. False, with no pending file
// left, when it cannot be written or read back.
bool WritePending(const Paths& paths, const std::string& bytes, std::string& onDisk);

// Where a replaced restore file is kept, so that every removal stays
// restorable: "Uninstall YYYY-MM-DD HH-MM-SS.reg" beside the restore file,
// for the local time it was replaced at; copy 2, 3, ... adds " (2)",
// " (3)", ... for a moment whose name is taken.
std::wstring KeptPath(const Paths& paths, const SYSTEMTIME& replacedAt, int copy);

// Moves the pending file in as the restore file, through to the disk. An
// old restore file is first moved aside under the first free KeptPath, so
// that at every moment the old or the new one is there under some name;
// no file is ever overwritten. False when either move fails: the old
// restore file is then back under its name (or, if even that fails, kept
// under its own) and the pending file stays.
bool ReplaceRestoreFile(const Paths& paths, const SYSTEMTIME& replacedAt);
// The same, replaced now.
bool ReplaceRestoreFile(const Paths& paths);

// Deletes the exports once the restore file holds them. One that cannot be
// deleted is a leftover that the next removal clears first.
void DeleteExports(const Paths& paths);

// The text of a registry file: UTF-16LE after its byte order mark, or else
// in the ANSI code page.
std::wstring TextOf(const std::string& bytes);

// Calls line() for every line of the text, without its line end.
void ForEachLine(const std::wstring& text, const std::function<void(std::wstring_view)>& line);

// The names of the keys a registry file holds, as written in it
// ("HKEY_CURRENT_USER\Software\..."); empty when it cannot be read.
std::vector<std::wstring> KeysIn(const std::wstring& file);

// True when every key ("HKEY_LOCAL_MACHINE\..." or "HKEY_CURRENT_USER\...")
// exists in the registry.
bool KeysPresent(const std::vector<std::wstring>& fullKeyNames);

// The whole file as bytes; false when it cannot be read.
bool ReadBytes(const std::wstring& file, std::string& bytes);

} // namespace RestoreFile
