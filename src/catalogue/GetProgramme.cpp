#include "catalogue/Listing.h"

#include "catalogue/ProductRow.h"
#include "platform/Registry.h"

#include <algorithm>

namespace Listing {

namespace {

std::optional<std::wstring> ValueOf(HKEY product, const wchar_t* valueName)
{
    std::wstring value;
    if (!Registry::RegReadValue(product, valueName, value)) return std::nullopt;
    return ProductRow::BeforeNul(value);
}

// A product's place: one open serves both values; a key that cannot be
// opened holds none.
Place ReadPlace(HKEY root, std::wstring name, const wchar_t* productRoot, const wchar_t* label)
{
    Place place;
    std::wstring path = ProductRow::KeyPath(name, productRoot);
    const KeyHandle product = Registry::RegOpenForReading(root, path);
    place.installDir = ValueOf(product.get(), L"InstallDir");
    place.version = ValueOf(product.get(), L"Version");
    place.key = std::wstring(ProductRow::RootName(root)) + L"\\" + path;
    place.name = std::move(name);
    place.root = root;
    place.view = label;
    return place;
}

// One view of the root: the products the enumeration names, each read from
// the product key below the view's fixed product root, whatever key the
// enumeration ran on.
void ListView(HKEY root, const std::wstring& productRootKey, REGSAM view, const wchar_t* productRoot,
              const wchar_t* label, bool testListed, Names& listed, std::vector<Product>& products)
{
    std::vector<std::wstring> names;
    const int count = Registry::RegEnumKeys(root, productRootKey, Registry::AccessAll | view, names);
    products.reserve(products.size() + size_t(count));
    for (int i = 0; i < count; ++i) {
        std::wstring& name = names[size_t(i)];
        if (name.empty()) continue;
        // A product whose name is listed already keeps the row listed
        // first; its values are not read.
        if (!listed.insert(name).second && testListed) continue;
        Place p = ReadPlace(root, std::move(name), productRoot, label);
        products.push_back({std::move(p.name), root, label, p.installDir.value_or(ProductRow::NoInstallDir),
                            p.version.value_or(ProductRow::NoVersion)});
    }
}

// Every product of one view, none left out for a name seen elsewhere.
void PlacesOfView(HKEY root, REGSAM view, const wchar_t* productRoot, const wchar_t* label, std::vector<Place>& places)
{
    std::vector<std::wstring> names;
    const int count = Registry::RegEnumKeys(root, ProductRow::ProductRoot, Registry::AccessAll | view, names);
    for (int i = 0; i < count; ++i)
        if (!names[size_t(i)].empty()) places.push_back(ReadPlace(root, std::move(names[size_t(i)]), productRoot, label));
}

// As the window's sorted list compares its rows: in the user's language,
// without regard to case.
bool ListedBefore(const std::wstring& a, const std::wstring& b)
{
    return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), int(a.size()), b.c_str(), int(b.size()))
        == CSTR_LESS_THAN;
}

} // namespace

std::vector<Product> GetProgramme(HKEY root, const std::wstring& productRootKey, Names& listed)
{
    std::vector<Product> products;
    if (root != HKEY_LOCAL_MACHINE) {
        ListView(root, productRootKey, 0, ProductRow::ProductRoot, ProductRow::UserLabel, true, listed, products);
        return products;
    }
    // The main register's products are listed first, so they are not tested
    // for names listed before. On 64-bit Windows the main register has a
    // second view, where 32-bit installers register their products; a name
    // in both views is one row, the 64-bit view's, which is listed first.
    ListView(root, productRootKey, 0, ProductRow::ProductRoot, ProductRow::MainLabel, false, listed, products);
    ListView(root, productRootKey, KEY_WOW64_32KEY, ProductRow::ProductRoot32, ProductRow::Main32Label, true,
             listed, products);
    return products;
}

std::vector<Product> List(int scope)
{
    Names listed;
    std::vector<Product> products;
    auto add = [&](HKEY root) {
        std::vector<Product> more = GetProgramme(root, ProductRow::ProductRoot, listed);
        std::move(more.begin(), more.end(), std::back_inserter(products));
    };
    if (scope == 0 || scope == 2) add(HKEY_LOCAL_MACHINE);
    if (scope == 0 || scope == 1) add(HKEY_CURRENT_USER);
    // As the window's sorted list orders its rows: without regard to case,
    // the name first.
    std::vector<std::pair<std::wstring, size_t>> rows;
    rows.reserve(products.size());
    for (size_t i = 0; i < products.size(); ++i) {
        const Product& p = products[i];
        rows.emplace_back(ProductRow::Make(p.name, ProductRow::RootName(p.root), p.installDir, p.version), i);
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const auto& a, const auto& b) { return ListedBefore(a.first, b.first); });
    std::vector<Product> sorted;
    sorted.reserve(products.size());
    for (const auto& row : rows) sorted.push_back(std::move(products[row.second]));
    return sorted;
}

std::vector<Place> Places(int scope)
{
    std::vector<Place> places;
    if (scope == 0 || scope == 2) {
        PlacesOfView(HKEY_LOCAL_MACHINE, 0, ProductRow::ProductRoot, ProductRow::MainLabel, places);
        PlacesOfView(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, ProductRow::ProductRoot32, ProductRow::Main32Label, places);
    }
    if (scope == 0 || scope == 1)
        PlacesOfView(HKEY_CURRENT_USER, 0, ProductRow::ProductRoot, ProductRow::UserLabel, places);
    // Names that the language holds equal but the registry holds apart
    // (fault 23) stay two groups; within one name, the registers' order.
    std::stable_sort(places.begin(), places.end(), [](const Place& a, const Place& b) {
        if (ListedBefore(a.name, b.name)) return true;
        if (ListedBefore(b.name, a.name)) return false;
        return KeyName::Less{}(a.name, b.name);
    });
    return places;
}

} // namespace Listing
