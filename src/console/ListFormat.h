#pragma once
// The product listing as the console prints it. Text: the window's rows, one
// a product, each with the register (and view) it was found in. CSV (RFC
// 4180, with a header line) and a JSON array of objects, for scripts: one
// record a place, so that a name registered in the user register and in both
// views of the main register gives three records, each naming its key.
//
// Names are written exactly. The console's output is UTF-8 (or UTF-16 to a
// console), which cannot carry a code unit that is not UTF-16 text, such as
// a lone surrogate that a registry name may hold; the conversion writes
// U+FFFD for each. JSON escapes such a code unit as \uXXXX, so the name read
// back is the registry's. CSV and text cannot: a CSV record whose fields
// hold one has "ja" in its last column, Ersetzt (empty otherwise), and a
// text line gets the further field ReplacedNote.
#include "catalogue/Listing.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ListFormat {

// The last CSV column's value for a record with a replaced code unit.
inline constexpr wchar_t Replaced[] = L"ja";
// The further tab-separated field of a text line with a replaced code unit.
inline constexpr wchar_t ReplacedNote[] = L"Zeichen ersetzt; genau mit /format json";

// Whether UTF-8 carries the text as it is: no code unit outside a valid
// surrogate pair is a surrogate.
bool Exact(std::wstring_view text);

// One line a product: the window's row (name, root, install folder,
// version, separated by tabs), a tab, and the register's label.
std::wstring Text(const std::vector<Listing::Product>& products);
// Produkt,Register,Schluessel,Installationsordner,Version,Ersetzt and one
// record a place; a value that the key does not hold is an empty field.
std::wstring Csv(const std::vector<Listing::Place>& places);
// [{"name":..,"register":..,"key":..,"installDir":..,"version":..}, ...];
// a value that the key does not hold is null.
std::wstring Json(const std::vector<Listing::Place>& places);

// One CSV field: quoted when it holds a comma, a quote, CR or LF, its
// quotes doubled.
std::wstring CsvField(std::wstring_view field);
// A CSV record: the fields, each as CsvField writes it, the Ersetzt column
// after them, and CR LF.
std::wstring CsvRecord(const std::vector<std::wstring>& fields);
// One JSON string with its quotes: \" \\, every control character, and
// every code unit that is not UTF-16 text escaped; a surrogate pair is
// written as its character.
std::wstring JsonString(std::wstring_view text);
// The string, or null for no value.
std::wstring JsonOrNull(const std::optional<std::wstring>& text);

} // namespace ListFormat
