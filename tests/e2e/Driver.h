#pragma once
// Drives a running Tessarine.exe from outside, as a user would: finds its
// window, reads the controls through their messages, clicks, answers
// message boxes.
#include "platform/Handles.h"

#include <windows.h>
#include <string>
#include <vector>

class Driver {
public:
    // Copies the program into workingFolder and starts it there; waits
    // until its window shows with its first listing done.
    Driver(const std::wstring& program, const std::wstring& workingFolder);
    ~Driver();
    Driver(const Driver&) = delete;
    Driver& operator=(const Driver&) = delete;

    bool started() const { return window_ != nullptr; }
    HWND window() const { return window_; }
    DWORD processId() const { return processId_; }
    HWND control(int id) const { return GetDlgItem(window_, id); }

    std::vector<std::wstring> Rows() const;
    int SelectedRow() const;
    void SelectRow(int i) const;
    bool Enabled(int id) const { return IsWindowEnabled(control(id)) != FALSE; }
    std::wstring Text(HWND hwnd) const;
    // The scope as a user picks it: selection plus the click notification.
    void PickScope(int i) const;
    void Click(int id) const;
    // The control that has the keyboard focus in the program, if any.
    HWND Focus() const;
    // A key as the keyboard delivers it to the focused control: pressed and
    // released (vk), or typed with Alt held (an access key).
    void Key(UINT vk) const;
    void AltKey(wchar_t c) const;
    // Waits for a message box of the program with this title; its text.
    HWND WaitForBox(const std::wstring& title, std::wstring* text = nullptr, DWORD ms = 20000) const;
    void Press(HWND box, int button) const;
    // Waits until the list is usable again and no operation runs.
    bool WaitIdle(DWORD ms = 20000) const;
    // A command of the window's system menu, as the menu sends it.
    void Command(UINT id) const { PostMessageW(window_, WM_SYSCOMMAND, id, 0); }
    // Closes the window; true when the program ended.
    bool Close(DWORD ms = 10000);

private:
    ProcessHandle process_;
    DWORD processId_ = 0;
    HWND window_ = nullptr;
};

// Waits up to ms for a condition, looking every 20 ms.
template <typename F>
bool WaitFor(F condition, DWORD ms)
{
    const ULONGLONG end = GetTickCount64() + ms;
    while (!condition()) {
        if (GetTickCount64() > end) return false;
        Sleep(20);
    }
    return true;
}

// The rows of a list box in the program.
std::vector<std::wstring> ListRows(HWND list);

// A list view's rows in the program, one text a column, and its column
// headers. Its messages take pointers, which only the program's own process
// can use: the texts go through memory in that process.
std::vector<std::vector<std::wstring>> ListViewRows(HWND list);
std::vector<std::wstring> ListViewHeaders(HWND list);
int ListViewSelected(HWND list);

// The window as a picture, for a person to compare with the layout; written
// next to the test results.
void Screenshot(HWND window, const std::wstring& file);

// Removes the selected row as a user does, confirming it; the final
// message's text, or "" when a message did not come.
std::wstring RemoveSelected(const Driver& app, const std::wstring& name);
