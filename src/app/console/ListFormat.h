#pragma once
// The product listing as the console prints it: the window's rows, each with
// the register (and view) it was found in; or CSV (RFC 4180, with a header
// line) or a JSON array of objects, for scripts.
#include "catalogue/Listing.h"

#include <string>
#include <vector>

namespace ListFormat {

// One line a product: the window's row (name, root, install folder,
// version, separated by tabs), a tab, and the register's label.
std::wstring Text(const std::vector<Listing::Product>& products);
// Produkt,Wurzel,Register,Installationsordner,Version and one record a product.
std::wstring Csv(const std::vector<Listing::Product>& products);
// [{"name":..,"root":..,"register":..,"installDir":..,"version":..}, ...]
std::wstring Json(const std::vector<Listing::Product>& products);

// One CSV field: quoted when it holds a comma, a quote, CR or LF, its
// quotes doubled.
std::wstring CsvField(const std::wstring& field);
// One JSON string with its quotes: \" \\ and every control character escaped.
std::wstring JsonString(const std::wstring& text);

} // namespace ListFormat
