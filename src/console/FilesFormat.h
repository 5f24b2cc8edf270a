#pragma once
// The restore files of the working folder as /dateien prints them, newest
// first, in the restore files dialog's words: when each removal was made,
// the products with their registers, how many keys and values, whether it
// can be restored (or why not), and the file's name, which /wiederherstellen
// takes. Names are written as ListFormat writes them: exactly in JSON,
// marked in CSV and text when they cannot be.
#include "removal/RestoreFiles.h"

#include <string>
#include <vector>

namespace FilesFormat {

// One line a file, the dialog's columns separated by tabs: time, products
// ("-" for none), size, state, file name.
std::wstring Text(const std::vector<RestoreFiles::File>& files);
// Datei,Entfernt,Produkte,Schluessel,Werte,Wiederherstellbar,Grund,Ersetzt
// and one record a file; Wiederherstellbar is ja or nein, Grund empty for a
// file that can be restored.
std::wstring Csv(const std::vector<RestoreFiles::File>& files);
// [{"file":..,"removedAt":..,"products":[{"name":..,"register":..}],
//   "keys":..,"values":..,"restorable":..,"reason":..|null}, ...]
std::wstring Json(const std::vector<RestoreFiles::File>& files);

} // namespace FilesFormat
