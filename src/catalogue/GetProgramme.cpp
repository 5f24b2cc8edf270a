// The product listing: one product row per product key below a root.
#include "app/Root.h"

#include "catalogue/ProductRow.h"
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

// Names ordered as a list box compares them in an exact search: in its
// locale, without regard to case. Two names are the same product exactly
// when neither orders before the other.
struct ListOrder {
    LCID locale;
    bool operator()(const std::wstring& a, const std::wstring& b) const
    {
        return CompareStringW(locale, NORM_IGNORECASE, a.c_str(), int(a.size()),
                              b.c_str(), int(b.size())) == CSTR_LESS_THAN;
    }
};
using NameSet = std::set<std::wstring, ListOrder>;

// The names the name list holds so far. Looking a name up here answers what
// an exact search of the list answers, without walking the whole list for
// every product of a large register.
NameSet ListedNames(const ListBox& names)
{
    NameSet listed(ListOrder{LCID(SendMessageW(names.hwnd, LB_GETLOCALE, 0, 0))});
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

} // namespace

bool Root::GetProgramme(HKEY lhTyp, const std::wstring& lhKey)
{
    BusyState busy(*this, PointerHourglass);

    std::vector<std::wstring> names;
    const int count = Registry::RegEnumKeys(lhTyp, lhKey, Registry::AccessAll, names);
    Wartezeit::DoEvents();

    const bool mainRegister = lhTyp == HKEY_LOCAL_MACHINE;
    NameSet listed = mainRegister ? NameSet{} : ListedNames(LTemp);
    // What entry k of the name list will hold once the rows are in: -1 for
    // a name listed before, otherwise the index of the new product.
    std::vector<int> slots(size_t(LTemp.count()), -1);
    {
        RedrawHeld held(LProdukte.hwnd);
        // Room for every row at once rather than step by step.
        LProdukte.reserve(count, 96);
        for (int i = 0; i < count; ++i) {
            const std::wstring& name = names[size_t(i)];
            // The values always come from the product key below the fixed
            // product root, whatever lhKey named. One open serves both; a
            // key that cannot be opened gives both placeholders.
            const KeyHandle product = Registry::RegOpenForReading(lhTyp, ProductRow::KeyPath(name));
            const std::wstring installDir = ValueOr(product.get(), L"InstallDir", ProductRow::NoInstallDir);
            const std::wstring version = ValueOr(product.get(), L"Version", ProductRow::NoVersion);
            if (name.empty()) continue;
            // A user-register product that is listed already keeps the row
            // listed first, the main register's.
            if (!mainRegister && !listed.insert(name).second) continue;
            // The name belongs at the position the sorted list gave the row,
            // whatever the platform's collation makes of the tab after it.
            const int at = LProdukte.add(ProductRow::Make(name, ProductRow::RootName(lhTyp), installDir, version));
            if (at < 0) continue;
            if (size_t(at) <= slots.size()) slots.insert(slots.begin() + at, i);
            else LProdukte.remove(at); // the lists were out of step: no row without its name
        }
    }
    // The names follow the rows in one pass, in ascending position, so that
    // entry k of both lists is the same product. (Filling both lists in turn
    // product by product leaves the platform's heap far larger.)
    LTemp.reserve(count, 32);
    for (int k = 0; k < int(slots.size()); ++k) {
        if (slots[size_t(k)] < 0) continue;
        // A row whose name cannot be kept must not stay: every row below
        // it would pair with its neighbour's name.
        if (LTemp.insert(k, names[size_t(slots[size_t(k)])]) < 0) {
            LProdukte.remove(k);
            slots.erase(slots.begin() + k--);
        }
    }

    busy.End();
    Wartezeit::DoEvents();
    return false;
}
