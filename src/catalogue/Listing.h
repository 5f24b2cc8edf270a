#pragma once
// The product listing as an operation: the products below the product root
// of one register, or of a scope, read from the registry and nothing else.
// The window turns them into its rows; the console prints them.
#include "platform/KeyName.h"

#include <windows.h>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace Listing {

struct Product {
    std::wstring name;       // the product key's name as the enumeration delivered it
    HKEY root = nullptr;     // HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER
    const wchar_t* view = L""; // the place's label: "Hauptregister", "Hauptregister (32-Bit-Ansicht)", "Benutzerregister"
    std::wstring installDir; // "<PROGRAMS>" when it cannot be read
    std::wstring version;    // "1.0" when it cannot be read
};

// One place where a product is registered: a register (and view) and the
// product key there, with its values as the key holds them.
struct Place {
    std::wstring name;       // the product key's name as the enumeration delivered it
    HKEY root = nullptr;     // HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, or HKEY_USERS for a person's profile
    std::wstring view;       // the place's label, as Product::view; a profile's names the person
    std::wstring key;        // the full path as the registry editor names it, root first
    // nullopt when the key holds no such value or cannot be read: a value,
    // never a placeholder.
    std::optional<std::wstring> installDir;
    std::optional<std::wstring> version;
};

// Names listed so far, compared as the registry compares key names.
using Names = std::set<std::wstring, KeyName::Less>;

// The products below productRootKey under root, in enumeration order; for
// the main register its 64-bit view first, then its 32-bit view. A name in
// listed already adds nothing, except that the main register's 64-bit view
// is not tested against names listed before it (it is listed first). Every
// name listed is added to listed.
std::vector<Product> GetProgramme(HKEY root, const std::wstring& productRootKey, Names& listed);

// The products of a scope (0 both registers, the main register first; 1 the
// user register; 2 the main register), each name once, ordered as the
// window's list orders its rows.
std::vector<Product> List(int scope);

// Every place of every product of a scope, nothing merged: a name in the
// user register and in both views of the main register gives three places.
// Ordered by name as List orders its rows; the places of one name in the
// order main register's 64-bit view, its 32-bit view, user register.
std::vector<Place> Places(int scope);

} // namespace Listing
