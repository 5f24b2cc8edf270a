#pragma once
// The restore file Uninstall.reg and the temporary exports it is assembled
// from, all in the working folder.
//
// The registry editor writes each export as UTF-16LE text: the byte order
// mark FF FE, the header line "Windows Registry Editor Version 5.00" and the
// keys. Merging keeps the first export (the main register's) whole and
// appends each further one from the line end after its header on, so that
// the restore file has one byte order mark and one header, at the start. No
// extra line end is written: every export already ends with a blank line.
#include "platform/Handles.h"

#include <array>
#include <string>

namespace RestoreFile {

// The file names, each spelt here alone.
inline constexpr wchar_t RestoreFileName[] = L"Uninstall.reg";
inline constexpr wchar_t BackupFileName[] = L"Uninstall.bak";
// A search pattern that finds every kept name (see KeptName); ReadKeptName
// tells which of the names it finds are kept names.
inline constexpr wchar_t KeptPattern[] = L"Uninstall *.reg";
// More kept restore files of one second than a user could make: a folder
// that holds them all is not ours to fill further.
inline constexpr int MaxKeptCopies = 1000;

struct Paths {
    std::wstring mainExport;   // Uninstall_1.reg, the main register's key
    std::wstring userExport;   // Uninstall_2.reg, the user register's key
    std::wstring mainExport32; // Uninstall_3.reg, the key in the main register's 32-bit view
    std::wstring pending;    // Uninstall.tmp, the new restore file until it is complete
    std::wstring restore;    // Uninstall.reg
    std::wstring backup;     // Uninstall.bak
};

// The exports' names, for the main register, the user register and the main
// register's 32-bit view.
inline constexpr const wchar_t* ExportNames[] = {L"Uninstall_1.reg", L"Uninstall_2.reg", L"Uninstall_3.reg"};

// The working folder's path followed directly by "\Uninstall_1.reg" and so on.
Paths PathsIn(const std::wstring& workingFolder);
// The same, with the exports in a folder of their own (see Workspace): the
// registry editor writes an export through whatever lies under its name.
Paths PathsIn(const std::wstring& workingFolder, const std::wstring& exportFolder);

// Deletes a leftover pending file, so that it cannot pass for the new
// restore file. Exports left in the working folder stay: the editor writes
// new ones in the operation's own folder, so none of them can end up in a
// new restore file, and one left there by a removal that could not write
// its restore file is the only copy of what it removed. The restore file
// stays too: it is the last removal's only backup until a new one replaces
// it; kept restore files are the user's. True when no pending file is left.
bool ClearTemporaries(const Paths& paths);

// Two exports as one file (an empty one takes no part): the first whole,
// the second's keys after it; merged again, a further export follows.
std::string Merge(const std::string& first, const std::string& second);

enum class Pending {
    Written, // complete on disk; onDisk holds what the disk holds
    Taken,   // a file of that name appeared after the clearing step: someone else's, left alone
    Failed,  // it could not be written or read back; nothing of it is left
};

// Creates the pending file as a new file, writes the bytes, flushed to the
// disk, and reads back what the disk holds now into onDisk.
Pending WritePending(const Paths& paths, const std::string& bytes, std::string& onDisk);

// Where a replaced restore file is kept, so that every removal stays
// restorable: "Uninstall YYYY-MM-DD HH-MM-SS.reg" beside the restore file,
// for the local time it was replaced at; copy 2, 3, ... MaxKeptCopies adds
// " (2)", " (3)", ... for a moment whose name is taken.
std::wstring KeptName(const SYSTEMTIME& replacedAt, int copy);
std::wstring KeptPath(const Paths& paths, const SYSTEMTIME& replacedAt, int copy);
// The moment and copy number of a name that KeptName writes (in any letter
// case, as the file system finds it); false for every other name, a
// moment that is no valid date and time included.
bool ReadKeptName(const std::wstring& name, SYSTEMTIME& replacedAt, int& copy);

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

// The whole file as bytes; false when it cannot be read.
bool ReadBytes(const std::wstring& file, std::string& bytes);

// Opens the file for reading, shared for reading only: while the handle
// lives, nobody can write, replace or delete it. Empty when it cannot, and
// for a name that is no plain file of the folder (a link, see PlainFile).
FileHandle OpenHeld(const std::wstring& file);
// The same, with the right to delete the file through the handle, so that
// the file deleted is the file that was checked.
FileHandle OpenHeldToDelete(const std::wstring& file);
// The whole file behind an open handle, from its start.
bool ReadBytes(HANDLE file, std::string& bytes);

// What tells one file with its bytes from another: the file's identity on
// its volume and a SHA-256 digest of its bytes. A file replaced under the
// same name, or changed in place, has another fingerprint.
struct Fingerprint {
    DWORD volume = 0;
    ULONGLONG index = 0;
    std::array<unsigned char, 32> digest{};
    bool operator==(const Fingerprint&) const = default;
};
// The fingerprint of an open file whose bytes were read; false when it
// cannot be told.
bool FingerprintOf(HANDLE file, const std::string& bytes, Fingerprint& fingerprint);

} // namespace RestoreFile
