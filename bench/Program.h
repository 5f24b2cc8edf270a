#pragma once
// A running Tessarine.exe, driven from outside as a user would: its window,
// its controls through their messages, clicks, and its message boxes.
#include "platform/Handles.h"

#include <windows.h>

#include <string>

namespace bench {

class Program {
public:
    Program() = default;
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Starts the program with its folder as the working folder; returns at
    // once. False when no process could be started.
    bool Start(const std::wstring& exe, const std::wstring& folder);
    // Waits until the main window is shown with row 0 of its list selected,
    // which is the end of the start-up.
    bool WaitListed(double timeoutSeconds);
    // Asks the window to close; true when the process ended in time.
    bool Close(double timeoutSeconds);
    void Kill();

    HWND control(int id) const { return GetDlgItem(window_, id); }
    bool Enabled(int id) const { return IsWindowEnabled(control(id)) != FALSE; }
    int Rows() const;
    int SelectedRow() const;
    void SelectRow(int row) const;
    // Row texts through the W message: the A variant answers in UTF-16
    // across Wine processes.
    std::wstring Row(int row) const;
    // A command of the window's system menu, posted as the menu posts it.
    void Command(UINT id) const { PostMessageW(window_, WM_SYSCOMMAND, id, 0); }
    // Posted: a sent click would block behind the modal box it opens.
    void Click(int id) const;
    // The first visible message box of this process with this title.
    HWND FindBox(const std::wstring& title) const;
    void Press(HWND box, int button) const;

private:
    ProcessHandle process_;
    DWORD processId_ = 0;
    HWND window_ = nullptr;
};

} // namespace bench
