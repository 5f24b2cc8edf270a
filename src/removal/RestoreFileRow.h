#pragma once
// What a restore file's row says: the texts that the restore files dialog
// shows in its columns and the console's /dateien prints, so that both
// faces name a file's state in the same words.
#include "removal/RestoreFiles.h"

#include <string>

namespace RestoreFileRow {

// When its removal made it, in local time: "2026-12-07 09:05:03".
std::wstring When(const RestoreFiles::File& file);
// Each product with its register, in the order the file names them:
// "Alpha (Hauptregister), Beta (Benutzerregister)"; empty when it names none.
std::wstring Products(const RestoreFiles::File& file);
// "2 Schlüssel, 4 Werte", the singular for one.
std::wstring Size(const RestoreFiles::File& file);
// "wiederherstellbar", or "nicht wiederherstellbar: " and the restore's
// own reason.
std::wstring State(const RestoreFiles::File& file);

} // namespace RestoreFileRow
