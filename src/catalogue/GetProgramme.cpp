// The product listing: one product row per product key below a root.
#include "app/Root.h"

#include "catalogue/ProductRow.h"
#include "platform/KeyName.h"
#include "platform/Registry.h"
#include "platform/Wartezeit.h"

#include <set>
#include <vector>

namespace {

std::wstring ValueOr(HKEY product, const wchar_t* valueName, const wchar_t* fallback)
{
    std::wstring value;
    if (!Registry::RegReadValue(product, valueName, value)) return fallback;
    return ProductRow::BeforeNul(value);
}

// The names listed so far, compared as the registry compares key names:
// a name the registry holds as a key of its own is a product of its own.
using NameSet = std::set<std::wstring, KeyName::Less>;

// The names the name list holds so far, without walking the whole list for
// every product of a large register.
NameSet ListedNames(const ListBox& names)
{
    NameSet listed;
    const int count = names.count();
    for (int i = 0; i < count; ++i) listed.insert(names.text(i));
    return listed;
}

// Keeps a list from repainting while it is filled, and repaints it once
// when the filling ends, however it ends.
class RedrawHeld {
public:
    explicit RedrawHeld(HWND list) : list_(list) { SendMessageW(list_, WM_SETREDRAW, FALSE, 0); }
    ~RedrawHeld()
    {
        SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list_, nullptr, TRUE);
    }
    RedrawHeld(const RedrawHeld&) = delete;
    RedrawHeld& operator=(const RedrawHeld&) = delete;
private:
    HWND list_;
};

// One product as the enumeration named it.
struct Enumerated {
    std::wstring name;
    const wchar_t* productRoot; // the product key's parent in its view
    bool mayBeListed;           // a name listed already adds no row
};

// The products below the key in one view of the root (0: the program's own,
// KEY_WOW64_32KEY: the 32-bit view); none when the enumeration fails.
void Enumerate(HKEY root, const std::wstring& key, REGSAM view, const wchar_t* productRoot, bool mayBeListed,
               std::vector<Enumerated>& products)
{
    std::vector<std::wstring> names;
    const int count = Registry::RegEnumKeys(root, key, Registry::AccessAll | view, names);
    products.reserve(products.size() + size_t(count));
    for (int i = 0; i < count; ++i) products.push_back({std::move(names[size_t(i)]), productRoot, mayBeListed});
}

} // namespace

bool Root::GetProgramme(HKEY lhTyp, const std::wstring& lhKey)
{
    BusyState busy(*this, PointerHourglass);

    const bool mainRegister = lhTyp == HKEY_LOCAL_MACHINE;
    std::vector<Enumerated> products;
    // The main register's products keep their rows: they are not tested
    // for names listed before.
    Enumerate(lhTyp, lhKey, 0, ProductRow::ProductRoot, !mainRegister, products);
    // On 64-bit Windows the main register has a second view, where 32-bit
    // installers register their products. A name in both views is one row,
    // the 64-bit view's, which is listed first.
    if (mainRegister) Enumerate(lhTyp, lhKey, KEY_WOW64_32KEY, ProductRow::ProductRoot32, true, products);
    Wartezeit::DoEvents();

    NameSet listed = ListedNames(LTemp);
    // What entry k of the name list will hold once the rows are in: -1 for
    // a name listed before, otherwise the index of the new product.
    std::vector<int> slots(size_t(LTemp.count()), -1);
    {
        RedrawHeld held(LProdukte.hwnd);
        // Room for every row at once rather than step by step.
        LProdukte.reserve(int(products.size()), 96);
        for (int i = 0; i < int(products.size()); ++i) {
            const Enumerated& p = products[size_t(i)];
            if (p.name.empty()) continue;
            // A product whose name is listed already keeps the row listed
            // first; its values are not read.
            if (!listed.insert(p.name).second && p.mayBeListed) continue;
            // The values always come from the product key below the view's
            // fixed product root, whatever lhKey named. One open serves
            // both; a key that cannot be opened gives both placeholders.
            const KeyHandle product = Registry::RegOpenForReading(lhTyp, ProductRow::KeyPath(p.name, p.productRoot));
            const std::wstring installDir = ValueOr(product.get(), L"InstallDir", ProductRow::NoInstallDir);
            const std::wstring version = ValueOr(product.get(), L"Version", ProductRow::NoVersion);
            // The name belongs at the position the sorted list gave the row,
            // whatever the platform's collation makes of the tab after it.
            const int at = LProdukte.add(ProductRow::Make(p.name, ProductRow::RootName(lhTyp), installDir, version));
            if (at < 0) continue;
            if (size_t(at) <= slots.size()) slots.insert(slots.begin() + at, i);
            else LProdukte.remove(at); // the lists were out of step: no row without its name
        }
    }
    // The names follow the rows in one pass, in ascending position, so that
    // entry k of both lists is the same product. (Filling both lists in turn
    // product by product leaves the platform's heap far larger.)
    LTemp.reserve(int(products.size()), 32);
    for (int k = 0; k < int(slots.size()); ++k) {
        if (slots[size_t(k)] < 0) continue;
        // A row whose name cannot be kept must not stay: every row below
        // it would pair with its neighbour's name.
        if (LTemp.insert(k, products[size_t(slots[size_t(k)])].name) < 0) {
            LProdukte.remove(k);
            slots.erase(slots.begin() + k--);
        }
    }

    busy.End();
    Wartezeit::DoEvents();
    return false;
}
