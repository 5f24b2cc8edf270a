#include "app/RestoreFilesDialog.h"

#include "app/Root.h"

#include <algorithm>
#include <cwchar>
#include <iterator>
#include <vector>

namespace RestoreFilesDialog {

namespace {

// Laid out in dialog units, so that the dialog follows its font and the DPI
// it is shown at.
constexpr short Width = 440, Height = 190, Margin = 7, ButtonHeight = 14;

struct State {
    Root& root;
    std::vector<RestoreFiles::File> files;
};

// A dialog template in memory (DLGTEMPLATEEX): the texts stay in the code,
// in one encoding, with the rest of the program's texts.
class Template {
public:
    Template(const wchar_t* title, DWORD style, short cx, short cy, WORD items)
    {
        Word(1);
        Word(0xFFFF);
        Dword(0);
        Dword(0);
        Dword(style);
        Word(items);
        Coordinates(0, 0, cx, cy);
        Word(0); // no menu
        Word(0); // the dialog class
        Text(title);
        Word(9);      // points, as the window's font
        Word(FW_NORMAL);
        Word(0);      // not italic, character set 0
        Text(L"Tahoma");
    }
    // A control of a predefined class: 0x80 button, 0x82 static, 0x83 list box.
    void Item(WORD atom, int id, const wchar_t* text, DWORD style, short x, short y, short cx, short cy)
    {
        if (words_.size() % 2) Word(0); // each item starts on a DWORD
        Dword(0);
        Dword(0);
        Dword(WS_CHILD | WS_VISIBLE | style);
        Coordinates(x, y, cx, cy);
        Dword(DWORD(id));
        Word(0xFFFF);
        Word(atom);
        Text(text);
        Word(0);
    }
    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    void Word(WORD w) { words_.push_back(w); }
    void Dword(DWORD d) { Word(LOWORD(d)); Word(HIWORD(d)); }
    void Coordinates(short x, short y, short cx, short cy) { for (short v : {x, y, cx, cy}) Word(WORD(v)); }
    void Text(const wchar_t* s)
    {
        for (; *s; ++s) Word(WORD(*s));
        Word(0);
    }
    std::vector<WORD> words_;
};

constexpr WORD ButtonClass = 0x80, StaticClass = 0x82, ListBoxClass = 0x83;

std::wstring When(const RestoreFiles::File& f)
{
    wchar_t text[40];
    std::swprintf(text, std::size(text), L"%04u-%02u-%02u %02u:%02u:%02u", unsigned(f.when.wYear),
                  unsigned(f.when.wMonth), unsigned(f.when.wDay), unsigned(f.when.wHour), unsigned(f.when.wMinute),
                  unsigned(f.when.wSecond));
    return f.copy > 1 ? std::wstring(text) + L" (" + std::to_wstring(f.copy) + L")" : text;
}

bool Restorable(const State& s, int i)
{
    return i >= 0 && size_t(i) < s.files.size() && s.files[size_t(i)].refusal == RestoreFiles::Refusal::None;
}

HWND List(HWND dialog) { return GetDlgItem(dialog, FileList); }
int Selected(HWND dialog) { return int(SendMessageW(List(dialog), LB_GETCURSEL, 0, 0)); }

void FollowSelection(HWND dialog, const State& s)
{
    const HWND button = GetDlgItem(dialog, RestoreButton);
    const bool on = Restorable(s, Selected(dialog));
    // A disabled button that keeps the focus leaves the keyboard nowhere.
    if (!on && GetFocus() == button) (void)SetFocus(List(dialog));
    EnableWindow(button, on);
}

// Columns as wide as their widest field, so that every row's fields line
// up whatever a file holds; the list scrolls sideways to the last one's end.
void SetColumns(HWND dialog, const std::vector<std::wstring>& rows)
{
    const HWND list = List(dialog);
    RECT unit{4, 0, 0, 0}; // four dialog units across: one average character width
    WindowDC dc(list);
    if (!dc || !MapDialogRect(dialog, &unit) || unit.left <= 0) return; // the default stops
    const HGDIOBJ old = SelectObject(dc.get(), reinterpret_cast<HGDIOBJ>(SendMessageW(list, WM_GETFONT, 0, 0)));
    std::vector<int> widest;
    for (const auto& row : rows) {
        size_t column = 0;
        for (size_t at = 0;; ++column) {
            const size_t end = row.find(L'\t', at);
            const std::wstring field = row.substr(at, end == std::wstring::npos ? end : end - at);
            SIZE size{};
            (void)GetTextExtentPoint32W(dc.get(), field.c_str(), int(field.size()), &size);
            if (widest.size() <= column) widest.resize(column + 1);
            widest[column] = std::max(widest[column], int(size.cx));
            if (end == std::wstring::npos) break;
            at = end + 1;
        }
    }
    if (old) SelectObject(dc.get(), old);
    // Stops in dialog units, as the list takes them, two characters apart.
    std::vector<int> stops;
    int pixels = 0;
    for (size_t i = 0; i + 1 < widest.size(); ++i) {
        pixels += widest[i] + 2 * unit.left;
        stops.push_back(MulDiv(pixels, 4, unit.left) + 1);
    }
    if (!stops.empty()) SendMessageW(list, LB_SETTABSTOPS, stops.size(), reinterpret_cast<LPARAM>(stops.data()));
    const int extent = widest.empty() ? 0 : MulDiv(stops.empty() ? 0 : stops.back(), unit.left, 4) + widest.back();
    SendMessageW(list, LB_SETHORIZONTALEXTENT, WPARAM(extent + unit.left), 0);
}

// Reads the folder anew and lists its restore files, the row at select
// (or the last one) selected.
void Fill(HWND dialog, State& s, int select)
{
    s.files = RestoreFiles::List(s.root.WorkingFolder());
    const HWND list = List(dialog);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    std::vector<std::wstring> rows;
    for (const auto& f : s.files) {
        rows.push_back(Row(f));
        SendMessageW(list, LB_ADDSTRING, 0, LPARAM(rows.back().c_str()));
    }
    SetColumns(dialog, rows);
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    if (!s.files.empty()) SendMessageW(list, LB_SETCURSEL, WPARAM(std::min<int>(select, int(s.files.size()) - 1)), 0);
    FollowSelection(dialog, s);
}

void OnRestore(HWND dialog, State& s)
{
    const int i = Selected(dialog);
    // Enter reaches here even while the default button is disabled.
    if (!Restorable(s, i)) return;
    s.root.RestoreFrom(s.files[size_t(i)].path, dialog);
    Fill(dialog, s, i);
    (void)SetFocus(List(dialog));
}

INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto s = reinterpret_cast<State*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        s = reinterpret_cast<State*>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        Fill(dialog, *s, 0);
        (void)SetFocus(List(dialog));
        return FALSE; // the focus is set
    case WM_COMMAND:
        if (!s) return FALSE;
        switch (LOWORD(wParam)) {
        case FileList:
            if (HIWORD(wParam) == LBN_SELCHANGE) FollowSelection(dialog, *s);
            return TRUE;
        case RestoreButton:
            OnRestore(dialog, *s);
            return TRUE;
        case CloseButton:
            EndDialog(dialog, 0);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

} // namespace

std::wstring Row(const RestoreFiles::File& f)
{
    std::wstring products;
    for (const auto& p : f.held.products)
        products += (products.empty() ? L"" : L", ") + p.name + L" (" + p.registerLabel + L")";
    const std::wstring counts = std::to_wstring(f.held.keys) + L" Schl\u00fcssel, " + std::to_wstring(f.held.values)
                              + L" Werte";
    const std::wstring state = f.refusal == RestoreFiles::Refusal::None
                                   ? std::wstring(L"wiederherstellbar")
                                   : L"nicht wiederherstellbar: " + std::wstring(RestoreFiles::Reason(f.refusal));
    return When(f) + L"\t" + (products.empty() ? L"-" : products) + L"\t" + counts + L"\t" + state + L"\t" + f.name;
}

void Show(Root& root)
{
    constexpr short ButtonTop = Height - Margin - ButtonHeight;
    Template dialog(Title, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_CENTER, Width, Height, 4);
    // A screen reader names the list after the static text just before it.
    dialog.Item(StaticClass, FileListLabel, L"&Dateien:", SS_LEFT, Margin, Margin, Width - 2 * Margin, 9);
    dialog.Item(ListBoxClass, FileList, L"",
                WS_TABSTOP | WS_BORDER | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY | LBS_USETABSTOPS | LBS_NOINTEGRALHEIGHT,
                Margin, Margin + 11, Width - 2 * Margin, ButtonTop - 2 * Margin - 11);
    dialog.Item(ButtonClass, RestoreButton, L"&Wiederherstellen", WS_TABSTOP | BS_DEFPUSHBUTTON,
                Width - Margin - 75 - 4 - 70, ButtonTop, 75, ButtonHeight);
    dialog.Item(ButtonClass, CloseButton, L"&Schlie\u00dfen", WS_TABSTOP | BS_PUSHBUTTON, Width - Margin - 70,
                ButtonTop, 70, ButtonHeight);
    State state{root, {}};
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(root.hwnd(), GWLP_HINSTANCE));
    // A dialog that cannot be made (no memory for its windows) shows
    // nothing; the window goes on as before.
    (void)DialogBoxIndirectParamW(instance, dialog.get(), root.hwnd(), Procedure, reinterpret_cast<LPARAM>(&state));
}

} // namespace RestoreFilesDialog
