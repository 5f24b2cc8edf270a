// The window's product list: the rows of one register's listing go into
// the sorted list, and each row's key name into the name list at the row's
// position.
#include "app/Root.h"

#include "catalogue/Listing.h"
#include "catalogue/ProductRow.h"
#include "platform/Wartezeit.h"

#include <vector>

namespace {

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

// The names the name list holds so far, compared as the registry compares
// key names: a name listed here is a product listed already.
Listing::Names ListedNames(const ListBox& names)
{
    Listing::Names listed;
    const int count = names.count();
    for (int i = 0; i < count; ++i) listed.insert(names.text(i));
    return listed;
}

} // namespace

bool Root::GetProgramme(HKEY lhTyp, const std::wstring& lhKey)
{
    BusyState busy(*this, PointerHourglass);

    Listing::Names listed = ListedNames(LTemp);
    const std::vector<Listing::Product> products = Listing::GetProgramme(lhTyp, lhKey, listed);
    Wartezeit::DoEvents();

    // What entry k of the name list will hold once the rows are in: -1 for
    // a name listed before, otherwise the index of the new product.
    std::vector<int> slots(size_t(LTemp.count()), -1);
    {
        RedrawHeld held(LProdukte.hwnd);
        // Room for every row at once rather than step by step.
        LProdukte.reserve(int(products.size()), 96);
        for (int i = 0; i < int(products.size()); ++i) {
            const Listing::Product& p = products[size_t(i)];
            // The name belongs at the position the sorted list gave the row,
            // whatever the platform's collation makes of the tab after it.
            const int at = LProdukte.add(ProductRow::Make(p.name, ProductRow::RootName(p.root), p.installDir, p.version));
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
