#pragma once
// Every restore file in the working folder: Uninstall.reg and the kept ones
// ("Uninstall YYYY-MM-DD HH-MM-SS.reg", see RestoreFile::KeptPath), what
// each holds as the one reader of registry files reads it, and whether a
// restore would take it.
#include "removal/RegFile.h"
#include "removal/RestoreFile.h"

#include <windows.h>
#include <optional>
#include <string>
#include <vector>

namespace RestoreFiles {

// Uninstall.reg, or a kept restore file's name exactly as the removal
// writes it (RestoreFile::ReadKeptName); the moment and copy number a kept
// name tells (copy 1 has no " (n)").
bool IsRestoreFileName(const std::wstring& name, SYSTEMTIME* keptAt = nullptr, int* copy = nullptr);

struct Presence {
    bool any = false;         // at least one restore file
    bool restoreFile = false; // Uninstall.reg itself
};

// One look for Uninstall.reg by its name; only when it is not there, a
// directory search for kept files, ended at the first one. However many
// kept files there are, that is one look, or one look and one search.
Presence Look(const std::wstring& workingFolder);

// What the timer learnt at its last look. A folder's entries change only
// with its last write time, so while that time stands the last answer
// holds, and the tick costs one query of the folder. It is trusted only
// where the file system keeps a folder's write time to the moment (NTFS,
// ReFS), and only once that time lies some seconds back, so that a change
// within the same moment as the one looked at cannot hide behind it.
struct LastLook {
    FILETIME folderWritten{};
    Presence presence;
    bool settled = false;  // the answer may be reused while the time stands
    int keepsTimes = -1;   // whether the folder's file system keeps its write time; -1 not asked yet
};
// The same answer as Look(workingFolder).
Presence Look(const std::wstring& workingFolder, LastLook& last);

// Why a restore refuses a file before the registry editor gets it.
enum class Refusal {
    None,
    NotRead, // the file cannot be opened or read, or not as an export is read
    Foreign, // it writes something besides product keys, or nothing at all
    NotImportable, // it holds string data of odd length, which the import cannot write as it is
};
Refusal Check(bool read, const RegFile::Content& content);

// The restore's own words for a refusal, for a file of that name:
// "konnte nicht gelesen werden", "enthält Einträge außerhalb der
// Velmora-Produkte", "enthält Werte, die der Registrierungseditor nicht
// importieren kann".
const wchar_t* Reason(Refusal refusal);

struct Product {
    std::wstring name;
    std::wstring registerLabel;
    bool operator==(const Product&) const = default;
};
struct RegisterCount {
    std::wstring registerLabel;
    size_t keys = 0;
    size_t values = 0;
};

// What a file holds: the products and their registers in the order the
// file names them, and how many keys and values it writes in each register
// and in all. Keys outside the products count in all only.
struct Held {
    std::vector<Product> products;
    std::vector<RegisterCount> registers;
    size_t keys = 0;
    size_t values = 0;
};
Held WhatItHolds(const RegFile::Content& content);

struct File {
    std::wstring path;
    std::wstring name;
    SYSTEMTIME when{}; // local: the file's last write, when its removal made it
    int copy = 1;      // a kept name's copy number; 1 for Uninstall.reg
    Refusal refusal = Refusal::None;
    Held held;
    // The file as this listing read it, so that a restore of the row
    // imports that file with those bytes or nothing; empty when it could
    // not be told.
    std::optional<RestoreFile::Fingerprint> fingerprint;
};

// Every restore file, newest first by its last write; of two written at
// the same moment Uninstall.reg first, then the kept ones by the moment
// and copy number their names tell. Each is read once.
std::vector<File> List(const std::wstring& workingFolder);

// A row's time as the list and the console show it: "2026-12-07 09:05:03".
std::wstring TimeText(const SYSTEMTIME& localTime);

} // namespace RestoreFiles
