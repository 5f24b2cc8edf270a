#pragma once
// Identifiers of the window's controls; the end-to-end driver finds the
// controls by them too.
#include <windows.h>

namespace ControlIds {
constexpr int LProdukte = 101;
constexpr int LRegister = 102;
constexpr int bEntfernen = 103;
constexpr int LTemp = 104;
constexpr int bRestored = 105;
constexpr int Timer1 = 1;
// The hidden labels that name the two lists for a screen reader.
constexpr int LabelProdukte = 106;
constexpr int LabelRegister = 107;
// The system menu's command for the restore files dialog: below 0xF000,
// its low four bits clear, as the system menu requires.
constexpr UINT RestoreFiles = 0x0010;
// Posted to the window when the last running operation has ended.
constexpr UINT IdleWork = WM_APP + 1;
} // namespace ControlIds

// The window class, which the driver also looks for.
#define TESSARINE_WINDOW_CLASS L"TessarineRoot"
