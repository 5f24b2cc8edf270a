// How far the product list's rows reach when drawn, so that the list scrolls
// sideways exactly as far as its widest row.
#include "app/Root.h"

#include <algorithm>
#include <span>
#include <vector>

namespace {

// The letters whose mean width the list box takes as its font's average
// character width.
constexpr wchar_t Alphabet[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

// The list box draws a row one pixel in from its left edge (the fields after
// a tab start at their stops); one more keeps the last character off the
// right edge.
constexpr int TextMargin = 1;

// Selects a font into a device context while it lives; a list without a font
// of its own is measured with the context's default, as the list draws it.
class FontSelected {
public:
    FontSelected(HDC dc, HFONT font) : dc_(dc), old_(font ? SelectObject(dc, font) : nullptr) {}
    ~FontSelected()
    {
        if (old_ && old_ != HGDI_ERROR) (void)SelectObject(dc_, old_);
    }
    FontSelected(const FontSelected&) = delete;
    FontSelected& operator=(const FontSelected&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

struct Widest {
    int width = 0;
    std::wstring row;
};

// The widest row as the list draws it: in its font, at its tab stops given
// in quarters of the average character width. False when the list cannot be
// measured.
bool MeasureRows(const ListBox& list, std::span<const int> tabStops, Widest& widest)
{
    WindowDC dc(list.hwnd);
    if (!dc) return false;
    FontSelected font(dc.get(), reinterpret_cast<HFONT>(SendMessageW(list.hwnd, WM_GETFONT, 0, 0)));
    // The list box converts its stops with the average width of the
    // alphabet's 52 letters, rounded: a stop of n lies n/4 of it in.
    SIZE letters;
    if (!GetTextExtentPoint32W(dc.get(), Alphabet, 52, &letters)) return false;
    const int average = (letters.cx / 26 + 1) / 2;
    std::vector<int> stops(tabStops.size());
    std::transform(tabStops.begin(), tabStops.end(), stops.begin(),
                   [average](int quarters) { return MulDiv(quarters, average, 4); });
    const int count = list.count();
    for (int i = 0; i < count; ++i) {
        std::wstring row = list.text(i);
        // 0 for a row that cannot be measured, which then widens nothing.
        const int width = LOWORD(GetTabbedTextExtentW(dc.get(), row.c_str(), int(row.size()), int(stops.size()),
                                                        stops.data()));
        if (width > widest.width) widest = {width, std::move(row)};
    }
    return true;
}

// Whether the sorted list holds this very row, looked for in the order the
// list box sorts in; a few looks, however long the list.
bool Holds(const ListBox& list, const std::wstring& row)
{
    const LCID locale = LCID(SendMessageW(list.hwnd, LB_GETLOCALE, 0, 0));
    int low = 0, high = list.count() - 1;
    while (low <= high) {
        const int middle = low + (high - low) / 2;
        const std::wstring text = list.text(middle);
        if (text == row) return true;
        if (CompareStringW(locale, NORM_IGNORECASE, text.c_str(), -1, row.c_str(), -1) == CSTR_LESS_THAN)
            low = middle + 1;
        else
            high = middle - 1;
    }
    return false;
}

} // namespace

void Root::UpdateListExtent()
{
    Widest widest;
    if (!MeasureRows(LProdukte, ListTabStops, widest)) return;
    widestRow_ = std::move(widest.row);
    measuredRows_ = LProdukte.count();
    // An extent no wider than the list shows no scroll bar.
    SendMessageW(LProdukte.hwnd, LB_SETHORIZONTALEXTENT,
                 WPARAM(widest.width == 0 ? 0 : widest.width + 2 * TextMargin), 0);
}

void Root::UpdateListExtentAfterRemoval()
{
    // The one row taken out was not the widest: the extent stays, so that a
    // removal costs the same however many products are listed. Only a
    // removal may rely on this; a relist can hold the same widest row next
    // to a row that is now wider.
    if (LProdukte.count() == measuredRows_ - 1 && Holds(LProdukte, widestRow_)) {
        measuredRows_ -= 1;
        return;
    }
    UpdateListExtent();
}
