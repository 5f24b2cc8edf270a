#pragma once
// Thin wrappers of the window's controls: a handle and the messages the
// program sends, one message a method.
#include <windows.h>
#include <string>

struct ListBox {
    HWND hwnd = nullptr;
    int count() const { return int(SendMessageW(hwnd, LB_GETCOUNT, 0, 0)); }
    int selected() const { return int(SendMessageW(hwnd, LB_GETCURSEL, 0, 0)); }
    void select(int i) const { SendMessageW(hwnd, LB_SETCURSEL, WPARAM(i), 0); }
    void clear() const { SendMessageW(hwnd, LB_RESETCONTENT, 0, 0); }
    int add(const std::wstring& s) const { return int(SendMessageW(hwnd, LB_ADDSTRING, 0, LPARAM(s.c_str()))); }
    int insert(int i, const std::wstring& s) const { return int(SendMessageW(hwnd, LB_INSERTSTRING, WPARAM(i), LPARAM(s.c_str()))); }
    // Reserves room for n more entries of about bytesEach bytes of text.
    void reserve(int n, int bytesEach) const { if (n > 0) SendMessageW(hwnd, LB_INITSTORAGE, WPARAM(n), LPARAM(n) * bytesEach); }
    int remove(int i) const { return int(SendMessageW(hwnd, LB_DELETESTRING, WPARAM(i), 0)); }
    std::wstring text(int i) const
    {
        const LRESULT n = SendMessageW(hwnd, LB_GETTEXTLEN, WPARAM(i), 0);
        if (n == LB_ERR) return {};
        std::wstring s(size_t(n) + 1, L'\0');
        const LRESULT got = SendMessageW(hwnd, LB_GETTEXT, WPARAM(i), LPARAM(s.data()));
        s.resize(got == LB_ERR ? 0 : size_t(got));
        return s;
    }
    void enable(bool on) const { EnableWindow(hwnd, on); }
    bool enabled() const { return IsWindowEnabled(hwnd) != FALSE; }
};

struct ComboBox {
    HWND hwnd = nullptr;
    int selected() const { return int(SendMessageW(hwnd, CB_GETCURSEL, 0, 0)); }
    void select(int i) const { SendMessageW(hwnd, CB_SETCURSEL, WPARAM(i), 0); }
    int add(const std::wstring& s) const { return int(SendMessageW(hwnd, CB_ADDSTRING, 0, LPARAM(s.c_str()))); }
};

struct Button {
    HWND hwnd = nullptr;
    void enable(bool on) const { EnableWindow(hwnd, on); }
    bool enabled() const { return IsWindowEnabled(hwnd) != FALSE; }
};
