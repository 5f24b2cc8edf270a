#pragma once
// Files in a folder that others may write to. Whoever may create files
// there may put a link under a name the program uses (a symbolic link, a
// hard link, a junction), pointing at a file that the program's rights
// reach and theirs do not. None of these calls reads, writes or deletes
// through such a name: a link is refused, or replaced as a name.
#include "platform/Handles.h"

#include <string>

namespace PlainFile {

// Whether the open file is a plain file with one link that lies in its
// folder under the path it was opened by: neither a reparse point nor a
// folder nor a file reached through a link in the folder. On Windows a
// reparse point opened as itself tells by its attributes; where links are
// followed whatever the flags (Wine), the file's final path tells.
bool IsPlain(HANDLE file, const std::wstring& path);

// Opens an existing plain file (IsPlain), a reparse point as itself; an
// empty handle for any other, with ERROR_CANT_ACCESS_FILE when the name was
// there but is no plain file.
FileHandle Open(const std::wstring& path, DWORD access, DWORD share);

// Opens the plain file, or creates it as a new file; never creates a file
// at the far end of a link that leads nowhere yet.
FileHandle OpenOrCreate(const std::wstring& path, DWORD access, DWORD share);

// Takes the name out of the folder without following it: a new file of the
// program's own, opened to go when it is closed, is renamed over the name
// through its handle. True when the name is gone (or was not there).
bool Remove(const std::wstring& path);

// Puts the bytes under the name, whatever lies there: they are written into
// a new file of the program's own beside it, flushed to the disk, and that
// file is renamed over the name through its handle. False when anything of
// it fails; the name is then as it was.
bool Replace(const std::wstring& path, const std::string& bytes);

// Renames the open file (opened with DELETE access) to path, replacing
// what is there: a link under the name goes as a name, its target stays.
bool RenameOver(HANDLE file, const std::wstring& path);

// Marks the open file (opened with DELETE access) to go when its last
// handle closes: the file deleted is the file that was opened, whatever its
// name leads to by then.
bool DeleteOnClose(HANDLE file);

// Whether a new file's bytes must be on the disk before the write counts.
// A file that is only handed to another program at once, while the file it
// copies stays until that program's work is checked, loses nothing in a
// crash: the cache serves the other program as well.
enum class Durability { Flushed, WhileUsed };

// Creates the file anew (CREATE_NEW: a name that is there, a link included,
// refuses) and writes the bytes, flushed through to the disk unless they
// are needed only while used. ERROR_FILE_EXISTS when the name was taken; a
// partial file is taken away again.
bool WriteNew(const std::wstring& path, const std::string& bytes, Durability durability = Durability::Flushed);

} // namespace PlainFile
