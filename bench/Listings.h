#pragma once
// Listings of the product root without the window, for comparison with the
// program's own: the registry work alone, in two call patterns.
#include <windows.h>

namespace bench {

// Per product one enumeration step, and per value (InstallDir, Version) an
// open for reading, a query for type and size, a query for the data and a
// close: nine registry calls a product. Answers the number of products.
int PlainListing(HKEY root);

// The registry reads of the program's listing, through its own registry
// access and in its order, without the list boxes.
int ProductReads(HKEY root);

// Per product one enumeration step, one open relative to the open product
// root, one query per value into a buffer that fits, one close: five calls
// a product, the same rows.
int OneOpenListing(HKEY root);

} // namespace bench
