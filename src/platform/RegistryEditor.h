#pragma once
// The system's registry editor, started as a child process for exports and
// for the silent import of the restore file.
#include "platform/Handles.h"

#include <string>

namespace RegistryEditor {

// Window styles the editor is started with.
constexpr int ShowMinimized = SW_SHOWMINIMIZED; // exports
constexpr int ShowNormal = SW_SHOWNORMAL;       // the import

// Regedit.exe /e "<file>" "<key>"
std::wstring ExportCommand(const std::wstring& file, const std::wstring& fullKeyName);
// Regedit.exe /s "<file>"
std::wstring ImportCommand(const std::wstring& file);

// The system's own editor: the Windows folder followed by \regedit.exe.
// Empty when the Windows folder cannot be learnt.
std::wstring Path();

// Starts the system's own editor with the command line; the process
// handle, or an empty one when no process could be started. The editor is
// named by its full path: a bare name would be looked for in the program's
// own folder first, where the restore files are written.
ProcessHandle Start(const std::wstring& commandLine, int showStyle);

// Waits, keeping the window responsive, until the editor has ended, for
// at most dSeconds; one that takes longer is ended, since what it wrote so
// far is no backup. True only when it ended by itself with exit code 0.
// The exit code can only refuse: the editor also reports many failures
// with 0, so its work is checked separately.
bool EndedWell(HANDLE process, double dSeconds);

} // namespace RegistryEditor
