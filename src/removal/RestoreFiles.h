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

// Uninstall.reg, or a kept restore file's name; the moment and copy number
// a kept name tells (copy 1 has no " (n)").
bool IsRestoreFileName(const std::wstring& name, SYSTEMTIME* keptAt = nullptr, int* copy = nullptr);

struct Presence {
    bool any = false;         // at least one restore file
    bool restoreFile = false; // Uninstall.reg itself
};

// One directory search for "Uninstall*.reg", ended as soon as Uninstall.reg
// turns up: with no kept file that is one look, as a plain existence test.
Presence Look(const std::wstring& workingFolder);

// Why a restore refuses a file before the registry editor gets it.
enum class Refusal {
    None,
    NotRead, // the file cannot be opened or read, or not as an export is read
    Foreign, // it writes something besides product keys, or nothing at all
};
Refusal Check(bool read, const RegFile::Content& content);

// The restore's own words for a refusal, for a file of that name:
// "konnte nicht gelesen werden", "enthält Einträge außerhalb der
// Velmora-Produkte".
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
    SYSTEMTIME when{}; // local; for Uninstall.reg its last write
    int copy = 1;
    Refusal refusal = Refusal::None;
    Held held;
    // The file as this listing read it, so that a restore of the row
    // imports that file with those bytes or nothing; empty when it could
    // not be told.
    std::optional<RestoreFile::Fingerprint> fingerprint;
};

// Every restore file, newest first: Uninstall.reg, then the kept ones by
// their names' moment and copy number. Each is read once.
std::vector<File> List(const std::wstring& workingFolder);

} // namespace RestoreFiles
