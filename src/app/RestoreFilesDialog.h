#pragma once
// The dialog "Wiederherstellungsdateien": every restore file in the working
// folder, newest first, with what each holds, and a restore of the one the
// user picks. Modal, owned by the window; its layout is the resource
// IDD_RESTORE_FILES (resources/RestoreFilesDialog.rc).
#include "app/resources/resource.h"
#include "removal/RestoreFiles.h"

#include <windows.h>
#include <array>
#include <string>

class Root;

namespace RestoreFilesDialog {

inline constexpr wchar_t Title[] = L"Wiederherstellungsdateien";
// The controls, which the end-to-end driver finds too; "Wiederherstellen"
// is the default button and "Schließen" the cancel button.
constexpr int FileList = IDC_RESTORE_FILES_LIST;
constexpr int FileListLabel = IDC_RESTORE_FILES_LABEL;
constexpr int RestoreButton = IDOK;
constexpr int CloseButton = IDCANCEL;

// The list's columns, left to right, and their headers.
namespace Column {
enum : int { When, Products, Size, State, FileName, Count };
}
inline constexpr std::array<const wchar_t*, Column::Count> Headers{
    L"Entfernt am", L"Produkte", L"Umfang", L"Zustand", L"Datei"};

// A file's row, one text a column: when, products with their registers,
// keys and values, whether it can be restored (or why not, in the
// restore's words), and the file's name.
std::array<std::wstring, Column::Count> Cells(const RestoreFiles::File& file);

// Shows the dialog until the user closes it.
void Show(Root& root);

} // namespace RestoreFilesDialog
