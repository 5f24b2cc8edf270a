#include "catalogue/Listing.h"

#include "catalogue/ProductRow.h"
#include "platform/Registry.h"

#include <algorithm>

namespace Listing {

namespace {

std::wstring ValueOr(HKEY product, const wchar_t* valueName, const wchar_t* fallback)
{
    std::wstring value;
    if (!Registry::RegReadValue(product, valueName, value)) return fallback;
    return ProductRow::BeforeNul(value);
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
        // One open serves both values; a key that cannot be opened gives
        // both placeholders.
        const KeyHandle product = Registry::RegOpenForReading(root, ProductRow::KeyPath(name, productRoot));
        std::wstring installDir = ValueOr(product.get(), L"InstallDir", ProductRow::NoInstallDir);
        std::wstring version = ValueOr(product.get(), L"Version", ProductRow::NoVersion);
        products.push_back({std::move(name), root, label, std::move(installDir), std::move(version)});
    }
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
    std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
        return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.first.c_str(), int(a.first.size()),
                              b.first.c_str(), int(b.first.size()))
            == CSTR_LESS_THAN;
    });
    std::vector<Product> sorted;
    sorted.reserve(products.size());
    for (const auto& row : rows) sorted.push_back(std::move(products[row.second]));
    return sorted;
}

} // namespace Listing
