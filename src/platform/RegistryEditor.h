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

// Starts the command line; the process handle, or an empty one when no
// process could be started.
ProcessHandle Start(const std::wstring& commandLine, int showStyle);

} // namespace RegistryEditor
