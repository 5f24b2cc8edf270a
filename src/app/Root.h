#pragma once
// The main window: its controls, its start-up and its event handlers.
#include "app/Controls.h"
#include "platform/Handles.h"
#include "platform/RegistryEditor.h"
#include "removal/RestoreFile.h"
#include "removal/RestoreFiles.h"

#include <windows.h>
#include <array>
#include <functional>
#include <optional>
#include <string>

// What a test steers instead of the platform; every member defaults to the
// real thing.
struct RootSeams {
    // The answer of a modal message box (IDYES, IDNO, IDOK, ...).
    std::function<int(HWND owner, const std::wstring& text, const std::wstring& title, UINT style)> messageBox;
    // Starts a program; an empty handle when it could not be started.
    std::function<ProcessHandle(const std::wstring& commandLine, int showStyle)> startProcess;
    // The folder the restore files go to; empty for the program's own folder.
    std::wstring workingFolder;
    // How long the registry editor may take for one export or import.
    double editorTimeoutSeconds = 60.0;
};

class Root {
public:
    // The application-wide mouse pointer codes.
    static constexpr int PointerDefault = 0;
    static constexpr int PointerHourglass = 11;
    static constexpr int PointerArrowHourglass = 13;

    explicit Root(HINSTANCE instance, RootSeams seams = {});
    ~Root();
    Root(const Root&) = delete;
    Root& operator=(const Root&) = delete;

    // Creates the window and its controls, hidden; false when it could not.
    bool Create();
    void Form_Load();
    // Shows the window centred on the screen, the focus on the list.
    void Show(int showCommand);
    HWND hwnd() const { return hwnd_; }

    bool GetProgramme(HKEY lhTyp, const std::wstring& lhKey);
    // Lets the list scroll sideways as far as its widest row reaches:
    // measured after every listing and every change of the list's font,
    // UpdateListExtentAfterRemoval after a removal that took out one row.
    void UpdateListExtent();
    void UpdateListExtentAfterRemoval();

    void LRegister_Click();
    void Timer1_Timer();
    void LProdukte_DblClick();
    void bEntfernen_Click();
    void bRestored_Click();
    // "Wiederherstellungsdateien…" of the system menu: the dialog of every
    // restore file, while the command is enabled.
    void mRestoreFiles_Click();
    // Restores from a restore file in the working folder as the restore
    // button does from Uninstall.reg; its message boxes are owned by owner.
    // With listed, only the file a list showed with those bytes is imported.
    void RestoreFrom(const std::wstring& file, HWND owner,
                     const std::optional<RestoreFile::Fingerprint>& listed = std::nullopt);
    // For the procedures of the window's dialogs, which catch as its own does.
    void ReportUncaughtError() noexcept { EndWithErrorReport(); }

    int MousePointer() const { return pointer_; }
    // True while a listing, removal or restore runs.
    bool Busy() const { return busy_ != 0; }
    const std::wstring& WorkingFolder() const { return workingFolder_; }

    ListBox LProdukte;
    ComboBox LRegister;
    Button bEntfernen;
    ListBox LTemp;
    Button bRestored;

private:
    // Marks a running operation; when the last one ends, a close or a scope
    // change that arrived meanwhile is posted to the window, to be carried
    // out from the event loop: work started from a destructor could not
    // report its errors.
    class Operation {
    public:
        explicit Operation(Root& root) : root_(root) { ++root_.busy_; }
        ~Operation()
        {
            if (--root_.busy_ == 0) root_.PostIdle();
        }
        Operation(const Operation&) = delete;
        Operation& operator=(const Operation&) = delete;
    private:
        Root& root_;
    };

    // The busy state of a listing, removal or restore: the pointer shows
    // it, and the remove button and the list take no input. End() (or
    // leaving the scope) restores the default pointer, enables the list, and
    // the remove button when the list has rows.
    class BusyState {
    public:
        BusyState(Root& root, int pointer);
        ~BusyState() { End(); }
        BusyState(const BusyState&) = delete;
        BusyState& operator=(const BusyState&) = delete;
        void End();
    private:
        Root& root_;
        bool ended_ = false;
    };

    // The product list's tab stops, in quarters of its font's average
    // character width.
    static constexpr std::array<int, 3> ListTabStops{120, 300, 400};

    // The product list's tab stops, given again whenever its font changes.
    void SetTabStops();
    // Fonts and icons for the window's DPI; the old ones are freed once the
    // window and its controls hold the new ones.
    bool SetFonts();
    void SetIcons();
    bool OnGetDpiScaledSize(UINT dpi, SIZE& size) const;
    void OnDpiChanged(UINT dpi, const RECT& suggested);

    static LRESULT CALLBACK WndProc(HWND, UINT, WPARAM, LPARAM);
    LRESULT OnMessage(UINT, WPARAM, LPARAM);
    void OnCreate();
    void OnCommand(int id, int code);
    bool OnSetCursor();
    void OnSetFocus();
    void OnClose();
    void PostIdle() noexcept;
    void OnIdle();
    // Shows the error report once and tells the event loop to end the
    // program; for an error that no handler caught.
    void EndWithErrorReport() noexcept;

    // Disables a control; the product list takes the focus first if the
    // control has it.
    void Disable(HWND control);
    void SetMousePointer(int code);
    int Ask(const std::wstring& text, const std::wstring& title, UINT style, HWND owner = nullptr) const;
    // The editor as the window starts it and waits for it, events pumped.
    RegistryEditor::Seams EditorSeams() const;
    std::wstring Caption() const;
    std::wstring SelectedProductName() const;
    // Enables the system menu's restore files command while there is one.
    void EnableRestoreFilesCommand(bool on);

    HINSTANCE instance_;
    RootSeams seams_;
    std::wstring workingFolder_;
    HWND hwnd_ = nullptr;
    // The DPI the window is laid out at; its fonts and icons are made for it.
    UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
    FontHandle windowFont_;
    FontHandle listFont_;
    IconHandle bigIcon_;
    IconHandle smallIcon_;
    int pointer_ = PointerDefault;
    int busy_ = 0;
    bool relistPending_ = false;
    bool closePending_ = false;
    bool failed_ = false;
    // The timer's last look at the working folder.
    RestoreFiles::LastLook lastLook_;
    // Whether the system menu's restore files command is enabled.
    bool restoreFilesCommand_ = false;
    // The control that had the focus when the window was last deactivated.
    HWND focusKept_ = nullptr;
    // The row that set the list's horizontal extent, and how many rows the
    // list held then.
    std::wstring widestRow_;
    int measuredRows_ = 0;
};
