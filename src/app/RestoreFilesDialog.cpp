#include "app/RestoreFilesDialog.h"

#include "app/Root.h"
#include "platform/FileName.h"
#include "removal/RestoreFileRow.h"

#include <commctrl.h>
#include <algorithm>
#include <optional>
#include <stdexcept>
#include <vector>

namespace RestoreFilesDialog {

namespace {

struct State {
    Root& root;
    std::vector<RestoreFiles::File> files;
    // A restore started from the list runs: the dialog takes no input, and
    // a close asked for meanwhile waits for the restore's end.
    bool restoring = false;
    bool closePending = false;
};


bool Restorable(const State& s, int i)
{
    return i >= 0 && size_t(i) < s.files.size() && s.files[size_t(i)].refusal == RestoreFiles::Refusal::None;
}

HWND List(HWND dialog) { return GetDlgItem(dialog, FileList); }

int Selected(HWND dialog)
{
    return int(SendMessageW(List(dialog), LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED));
}

void Select(HWND dialog, int i)
{
    LVITEMW item{};
    item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
    // A row that cannot be selected leaves the restore button off, which
    // FollowSelection sees; nothing else depends on it.
    (void)SendMessageW(List(dialog), LVM_SETITEMSTATE, WPARAM(i), LPARAM(&item));
    (void)SendMessageW(List(dialog), LVM_ENSUREVISIBLE, WPARAM(i), FALSE);
}

void FollowSelection(HWND dialog, const State& s)
{
    const HWND button = GetDlgItem(dialog, RestoreButton);
    const bool on = !s.restoring && Restorable(s, Selected(dialog));
    // A disabled button that keeps the focus leaves the keyboard nowhere.
    if (!on && GetFocus() == button) (void)SetFocus(List(dialog));
    EnableWindow(button, on);
}

// The list and both buttons; off while a restore runs, so that no press,
// key or click starts or asks anything.
void TakeInput(HWND dialog, const State& s, bool on)
{
    if (!on && GetFocus() && IsChild(dialog, GetFocus())) (void)SetFocus(dialog);
    EnableWindow(List(dialog), on);
    EnableWindow(GetDlgItem(dialog, CloseButton), on);
    FollowSelection(dialog, s);
}

void AddColumns(HWND dialog)
{
    const HWND list = List(dialog);
    // Without it a click selects only the first column's text; the list
    // still works.
    (void)SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    for (int c = 0; c < Column::Count; ++c) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_SUBITEM;
        column.pszText = const_cast<wchar_t*>(Headers[size_t(c)]);
        column.iSubItem = c;
        if (SendMessageW(list, LVM_INSERTCOLUMNW, WPARAM(c), LPARAM(&column)) != c)
            throw std::runtime_error("the restore files list has no columns");
    }
}

// Each column as wide as its widest text or its header; a column the list
// cannot size keeps its width, its text still there.
void SizeColumns(HWND list)
{
    for (int c = 0; c < Column::Count; ++c) {
        (void)SendMessageW(list, LVM_SETCOLUMNWIDTH, WPARAM(c), LVSCW_AUTOSIZE);
        const LRESULT texts = SendMessageW(list, LVM_GETCOLUMNWIDTH, WPARAM(c), 0);
        (void)SendMessageW(list, LVM_SETCOLUMNWIDTH, WPARAM(c), LVSCW_AUTOSIZE_USEHEADER);
        // The last column then fills what the list has left, which may be
        // less than its texts need: the list scrolls sideways instead.
        if (SendMessageW(list, LVM_GETCOLUMNWIDTH, WPARAM(c), 0) < texts)
            (void)SendMessageW(list, LVM_SETCOLUMNWIDTH, WPARAM(c), texts);
    }
}

// Reads the folder anew and lists its restore files: the file named select
// selected where it is still there, else the row at fallback (or the last).
void Fill(HWND dialog, State& s, const std::wstring& select, int fallback)
{
    s.files = RestoreFiles::List(s.root.WorkingFolder());
    const HWND list = List(dialog);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    (void)SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    int row = 0;
    for (const auto& f : s.files) {
        auto cells = Cells(f);
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.pszText = cells[0].data();
        if (SendMessageW(list, LVM_INSERTITEMW, 0, LPARAM(&item)) != row)
            throw std::runtime_error("a restore file could not be listed");
        for (int c = 1; c < Column::Count; ++c) {
            item.iSubItem = c;
            item.pszText = cells[size_t(c)].data();
            (void)SendMessageW(list, LVM_SETITEMTEXTW, WPARAM(row), LPARAM(&item)); // a row's own item stands
        }
        ++row;
    }
    SizeColumns(list);
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    (void)InvalidateRect(list, nullptr, TRUE); // without it the list is only drawn late
    if (!s.files.empty()) {
        const auto named = std::find_if(s.files.begin(), s.files.end(), [&](const RestoreFiles::File& f) {
            return FileName::Same(f.name, select);
        });
        Select(dialog, named != s.files.end() ? int(named - s.files.begin())
                                              : std::min<int>(fallback, int(s.files.size()) - 1));
    }
    FollowSelection(dialog, s);
}

void OnRestore(HWND dialog, State& s)
{
    // Enter reaches here even while the default button is disabled, and a
    // press during a restore would start a second one inside it.
    if (s.restoring) return;
    const int i = Selected(dialog);
    if (!Restorable(s, i)) return;
    // The restore's own copy: the list is read anew after it.
    const RestoreFiles::File& row = s.files[size_t(i)];
    const std::wstring path = row.path, name = row.name;
    const std::optional<RestoreFile::Fingerprint> listed = row.fingerprint;
    s.restoring = true;
    TakeInput(dialog, s, false);
    s.root.RestoreFrom(path, dialog, listed);
    s.restoring = false;
    Fill(dialog, s, name, i);
    TakeInput(dialog, s, true);
    (void)SetFocus(List(dialog));
    if (s.closePending) EndDialog(dialog, 0);
}

void OnClose(HWND dialog, State& s)
{
    if (s.restoring) s.closePending = true;
    else EndDialog(dialog, 0);
}

INT_PTR OnMessage(HWND dialog, State& s, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        AddColumns(dialog);
        Fill(dialog, s, {}, 0);
        (void)SetFocus(List(dialog));
        return FALSE; // the focus is set
    case WM_NOTIFY: {
        const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
        if (change->hdr.idFrom == UINT_PTR(FileList) && change->hdr.code == LVN_ITEMCHANGED
            && (change->uChanged & LVIF_STATE))
            FollowSelection(dialog, s);
        return FALSE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case RestoreButton: OnRestore(dialog, s); return TRUE;
        case CloseButton: OnClose(dialog, s); return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG)
        (void)SetWindowLongPtrW(dialog, DWLP_USER, lParam); // the dialog's own slot: the old value is 0
    const auto s = reinterpret_cast<State*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (!s) return FALSE;
    // As in the window's procedure: an error must not pass through the
    // dialog manager's frames, which may swallow it and go on as if the
    // handler had finished. The dialog goes, and the program ends with its
    // error report.
    try {
        return OnMessage(dialog, *s, message, wParam, lParam);
    } catch (...) {
        (void)EndDialog(dialog, 0); // the program ends either way
        s->root.ReportUncaughtError();
        return TRUE;
    }
}

} // namespace

std::array<std::wstring, Column::Count> Cells(const RestoreFiles::File& f)
{
    const std::wstring products = RestoreFileRow::Products(f);
    return {RestoreFileRow::When(f), products.empty() ? L"-" : products, RestoreFileRow::Size(f),
            RestoreFileRow::State(f), f.name};
}

void Show(Root& root)
{
    State state{root, {}};
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(root.hwnd(), GWLP_HINSTANCE));
    // A dialog that cannot be made (no memory for its windows) shows
    // nothing; the window goes on as before.
    (void)DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_RESTORE_FILES), root.hwnd(), Procedure,
                          reinterpret_cast<LPARAM>(&state));
}

} // namespace RestoreFilesDialog
