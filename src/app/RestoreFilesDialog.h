#pragma once
// The dialog "Wiederherstellungsdateien": every restore file in the working
// folder, newest first, with what each holds, and a restore of the one the
// user picks. Modal, owned by the window.
#include "removal/RestoreFiles.h"

#include <windows.h>
#include <string>

class Root;

namespace RestoreFilesDialog {

inline constexpr wchar_t Title[] = L"Wiederherstellungsdateien";
// The controls, which the end-to-end driver finds too; "Wiederherstellen"
// is the default button and "Schließen" the cancel button.
constexpr int FileList = 301;
constexpr int FileListLabel = 302;
constexpr int RestoreButton = IDOK;
constexpr int CloseButton = IDCANCEL;

// A file's row: when, products with their registers, keys and values,
// whether it can be restored (or why not, in the restore's words), and the
// file's name, separated by tabs.
std::wstring Row(const RestoreFiles::File& file);

// Shows the dialog until the user closes it.
void Show(Root& root);

} // namespace RestoreFilesDialog
