#pragma once
// The system's registry editor, started as a child process for exports and
// for the silent import of the restore file.
#include "platform/Handles.h"

#include <functional>
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

// How an operation starts the editor and waits for it. The window's wait
// keeps the window responsive; the console's just waits. A test steers the
// start (an editor that fails or is slow) and the bound.
struct Seams {
    // Starts a program; an empty handle when it could not be started.
    std::function<ProcessHandle(const std::wstring& commandLine, int showStyle)> start;
    // Waits until the process has ended or the seconds have passed; true
    // when it ended.
    std::function<bool(HANDLE process, double seconds)> waitForEnd;
    // Lets pending window events run once; nothing for the console.
    std::function<void()> doEvents;
    // How long the editor may take for one export or import.
    double timeoutSeconds = 60.0;
};
// The real editor, waited for while the window's events are processed.
Seams WindowSeams();
// The real editor, waited for without a window.
Seams ConsoleSeams();

// Waits through seams until the editor has ended, for at most
// seams.timeoutSeconds; one that takes longer is ended, since what it wrote
// so far is no backup. True only when it ended by itself with exit code 0.
// The exit code can only refuse: the editor also reports many failures
// with 0, so its work is checked separately.
bool EndedWell(HANDLE process, const Seams& seams);

} // namespace RegistryEditor
