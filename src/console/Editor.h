#pragma once
// The registry editor as the console program starts it: hidden, waited for
// without a window, and with a record of why a start failed, so that the
// exit code can tell missing rights from a removal that kept its keys.
#include "platform/RegistryEditor.h"

#include <windows.h>

namespace Editor {

// ERROR_ELEVATION_REQUIRED, which mingw-w64's headers do not name.
inline constexpr DWORD ElevationRequired = 740;

struct Starts {
    int failed = 0;       // starts that gave no process
    DWORD lastError = 0;  // the system's error of the last failed start
    // Whether a failed start was refused for lack of rights: an editor that
    // asks for elevation cannot be started by a program that is not
    // elevated (ElevationRequired), and the console never raises the
    // prompt.
    bool rightsMissing() const { return lastError == ElevationRequired || lastError == ERROR_ACCESS_DENIED; }
};

// RegistryEditor::ConsoleSeams, with every editor started hidden and each
// failed start counted in starts, which must outlive the seams' use.
RegistryEditor::Seams Seams(Starts& starts);

} // namespace Editor
