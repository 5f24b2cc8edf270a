// The restore files dialog of the real Tessarine.exe, reached through the
// window's system menu, restoring through the real registry editor.
#include "Driver.h"

#include "app/ControlIds.h"
#include "app/RestoreFilesDialog.h"
#include "removal/OperationLog.h"
#include "removal/Restore.h"
#include "removal/RestoreFiles.h"
#include "support/Screen.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <tlhelp32.h>

#include <cstdlib>
#include <cwchar>
#include <iterator>
#include <set>

using namespace test;
namespace Dialog = RestoreFilesDialog;

namespace {

const std::wstring Title = Dialog::Title;
// The restore's message boxes: the same title with a blank before it.
const std::wstring BoxTitle = L" Wiederherstellungsdateien";

using Rows = std::vector<std::vector<std::wstring>>;

HWND List(HWND dialog) { return GetDlgItem(dialog, Dialog::FileList); }

// A file's last write time in local time, as a row writes a moment.
std::wstring LastWritten(const std::wstring& file)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    SYSTEMTIME utc{}, local{};
    if (!GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data)
        || !FileTimeToSystemTime(&data.ftLastWriteTime, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
        return L"<no time>";
    return RestoreFiles::TimeText(local);
}

// The registry editors that the program has running right now.
std::set<DWORD> EditorsOf(DWORD program)
{
    std::set<DWORD> editors;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return editors;
    PROCESSENTRY32W entry{sizeof entry};
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        if (entry.th32ParentProcessID == program && _wcsicmp(entry.szExeFile, L"regedit.exe") == 0)
            editors.insert(entry.th32ProcessID);
    CloseHandle(snapshot);
    return editors;
}

// The log's lines for one operation.
size_t LoggedLines(const ScratchFolder& folder, const wchar_t* operation)
{
    const std::string log = ReadFileBytes(folder.file(OperationLog::FileName));
    const std::string field = "\t" + Narrow(operation) + "\t";
    size_t n = 0;
    for (size_t at = 0; (at = log.find(field, at)) != std::string::npos; at += field.size()) ++n;
    return n;
}

// The dialog's font, Tahoma 9 pt at the screen's DPI, on a screen DC.
class DialogFont {
public:
    DialogFont()
        : font_(CreateFontW(-MulDiv(9, ScreenDpi(), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY, FF_DONTCARE, L"Tahoma")),
          old_(SelectObject(dc_, font_))
    {
    }
    ~DialogFont()
    {
        SelectObject(dc_, old_);
        DeleteObject(font_);
        ReleaseDC(nullptr, dc_);
    }
    DialogFont(const DialogFont&) = delete;
    DialogFont& operator=(const DialogFont&) = delete;
    int Width(const std::wstring& text) const
    {
        SIZE size{};
        GetTextExtentPoint32W(dc_, text.c_str(), int(text.size()), &size);
        return int(size.cx);
    }
    int Height() const
    {
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc_, &metrics);
        return metrics.tmHeight;
    }

private:
    HDC dc_ = GetDC(nullptr);
    HFONT font_;
    HGDIOBJ old_;
};

// Every column as wide as its header and its widest text in the dialog's
// font.
testing::AssertionResult ColumnsFitTheirTexts(HWND list, const std::vector<std::wstring>& headers, const Rows& rows)
{
    const DialogFont font;
    for (size_t c = 0; c < headers.size(); ++c) {
        const int width = int(SendMessageW(list, LVM_GETCOLUMNWIDTH, WPARAM(c), 0));
        int widest = font.Width(headers[c]);
        for (const auto& row : rows) widest = std::max(widest, font.Width(row[c]));
        if (width < widest)
            return testing::AssertionFailure() << "column " << c << " (" << Narrow(headers[c]) << ") is " << width
                                               << " px wide, its text " << widest << " px";
    }
    return testing::AssertionSuccess();
}

// The dialog's client area is its template's size in dialog units, at the
// base units of its font at the screen's DPI: it grows with the DPI.
testing::AssertionResult LaidOutInDialogUnits(HWND dialog)
{
    HMODULE program = LoadLibraryExW(TESSARINE_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    const HRSRC found = program ? FindResourceW(program, MAKEINTRESOURCEW(IDD_RESTORE_FILES), RT_DIALOG) : nullptr;
    const auto* words = found ? static_cast<const WORD*>(LockResource(LoadResource(program, found))) : nullptr;
    if (!words || words[1] != 0xFFFF) return testing::AssertionFailure() << "no DIALOGEX in the program";
    // DLGTEMPLATEEX: version, signature, help id, extended style, style,
    // item count, x, y, then cx and cy.
    const int cx = short(words[11]), cy = short(words[12]);
    FreeLibrary(program);
    // The base units as the dialog manager takes them from its font.
    const DialogFont font;
    const int unitX = (font.Width(L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 26 + 1) / 2;
    const int unitY = font.Height();

    RECT client{};
    GetClientRect(dialog, &client);
    if (client.right != MulDiv(cx, unitX, 4) || client.bottom != MulDiv(cy, unitY, 8))
        return testing::AssertionFailure() << "client " << client.right << "x" << client.bottom << ", expected "
                                           << MulDiv(cx, unitX, 4) << "x" << MulDiv(cy, unitY, 8) << " for " << cx
                                           << "x" << cy << " dialog units";
    return testing::AssertionSuccess();
}

struct RestoreFilesDialogTest : ::testing::Test {
    static void SelectProduct(const Driver& app, const std::wstring& name)
    {
        const std::vector<std::wstring> rows = app.Rows();
        for (size_t i = 0; i < rows.size(); ++i)
            if (rows[i].rfind(name + L"\t", 0) == 0) app.SelectRow(int(i));
    }
    // The products removed in this order, each on its own.
    static void RemoveEach(const Driver& app, std::initializer_list<const wchar_t*> names, DWORD pause = 0)
    {
        for (const wchar_t* name : names) {
            SelectProduct(app, name);
            ASSERT_EQ(RemoveSelected(app, name), RemovedMessage) << Narrow(name);
            ASSERT_TRUE(app.WaitIdle());
            Sleep(pause);
        }
        // The tick that enables the restore button enables the menu command too.
        ASSERT_TRUE(WaitFor([&] { return app.Enabled(ControlIds::bRestored); }, 5000));
    }
    void AddThree()
    {
        AddProduct(HKEY_LOCAL_MACHINE, L"Alpha", L"C:\\Programme\\Alpha");
        AddProduct(HKEY_CURRENT_USER, L"Beta", L"C:\\Beta");
        SetDword(HKEY_CURRENT_USER, L"Software\\Velmora\\Beta\\Plugins", L"Enabled", 1);
        AddProduct(HKEY_LOCAL_MACHINE, L"Gamma", L"C:\\Gamma", L"1.0");
        AddProduct(HKEY_CURRENT_USER, L"Gamma", L"C:\\Gamma", L"1.0");
        AddProduct(HKEY_CURRENT_USER, L"Stays");
    }
    HWND Open(const Driver& app, DWORD ms = 5000) const
    {
        app.Command(ControlIds::RestoreFiles);
        return app.WaitForBox(Title, nullptr, ms);
    }
    // A key as the keyboard delivers it to the dialog's focused control, or
    // to the dialog while none has the focus.
    static void Key(const Driver& app, HWND dialog, UINT vk)
    {
        const HWND focus = app.Focus();
        const HWND target = focus && (focus == dialog || IsChild(dialog, focus)) ? focus : dialog;
        const LPARAM scan = LPARAM(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16;
        PostMessageW(target, WM_KEYDOWN, vk, 1 | scan);
        PostMessageW(target, WM_KEYUP, vk, 1 | scan | LPARAM(3u) << 30);
    }
    // The dialog holds the window's close back until it is closed itself.
    static bool CloseBoth(Driver& app, HWND dialog)
    {
        app.Press(dialog, IDCANCEL);
        return WaitFor([&] { return !IsWindow(dialog); }, 5000) && app.Close();
    }
    CleanVelmora clean;
    ScratchFolder folder;
};

} // namespace

TEST_F(RestoreFilesDialogTest, ThreeRemovalsAreListedNewestFirstWithTheirProductsAndCounts)
{
    if (const char* expected = std::getenv("TESSARINE_EXPECT_DPI")) ASSERT_EQ(ScreenDpi(), std::atoi(expected));
    AddThree();
    Driver app(TESSARINE_EXE, folder.path());
    ASSERT_TRUE(app.started());
    RemoveEach(app, {L"Alpha", L"Beta", L"Gamma"});

    HWND dialog = Open(app);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), app.window());
    EXPECT_FALSE(IsWindowEnabled(app.window())) << "modal";
    const HWND list = List(dialog);
    wchar_t name[64] = L"";
    GetClassNameW(list, name, int(std::size(name)));
    EXPECT_EQ(_wcsicmp(name, WC_LISTVIEWW), 0) << Narrow(name);
    const LONG style = GetWindowLongW(list, GWL_STYLE);
    EXPECT_EQ(style & LVS_TYPEMASK, LVS_REPORT);
    EXPECT_TRUE(style & LVS_SINGLESEL);
    EXPECT_TRUE(style & LVS_SHOWSELALWAYS) << "the selection stays in sight while a button has the focus";
    EXPECT_TRUE(SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_FULLROWSELECT);
    // A screen reader names the list after the static text before it, and
    // reads each column's header from the header control.
    const HWND label = GetWindow(list, GW_HWNDPREV);
    EXPECT_EQ(GetDlgCtrlID(label), Dialog::FileListLabel);
    EXPECT_EQ(app.Text(label), L"&Dateien:");
    const std::vector<std::wstring> headers = ListViewHeaders(list);
    EXPECT_EQ(headers, std::vector<std::wstring>(Dialog::Headers.begin(), Dialog::Headers.end()));
    EXPECT_EQ(SendMessageW(HWND(SendMessageW(list, LVM_GETHEADER, 0, 0)), HDM_GETITEMCOUNT, 0, 0), Dialog::Column::Count);
    EXPECT_EQ(app.Text(GetDlgItem(dialog, Dialog::RestoreButton)), L"&Wiederherstellen");
    EXPECT_EQ(app.Text(GetDlgItem(dialog, Dialog::CloseButton)), L"&Schlie\u00dfen") << "read from the script as UTF-8";

    const Rows rows = ListViewRows(list);
    ASSERT_EQ(rows.size(), 3u);
    for (const auto& row : rows) ASSERT_EQ(row.size(), size_t(Dialog::Column::Count));
    const auto &gamma = rows[0], &beta = rows[1], &alpha = rows[2];
    EXPECT_EQ(gamma[Dialog::Column::Products], L"Gamma (Hauptregister), Gamma (Benutzerregister)");
    EXPECT_EQ(gamma[Dialog::Column::Size], L"2 Schl\u00fcssel, 4 Werte");
    EXPECT_EQ(gamma[Dialog::Column::FileName], L"Uninstall.reg");
    EXPECT_EQ(beta[Dialog::Column::Products], L"Beta (Benutzerregister)");
    EXPECT_EQ(beta[Dialog::Column::Size], L"2 Schl\u00fcssel, 2 Werte");
    EXPECT_EQ(alpha[Dialog::Column::Products], L"Alpha (Hauptregister)");
    EXPECT_EQ(alpha[Dialog::Column::Size], L"1 Schl\u00fcssel, 1 Wert") << "the singular for one";
    for (const auto& row : rows) EXPECT_EQ(row[Dialog::Column::State], L"wiederherstellbar");
    EXPECT_EQ(ListViewSelected(list), 0) << "the newest selected";
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, Dialog::RestoreButton)));

    // Sizes follow the screen's DPI: the dialog in dialog units of its
    // font, the columns as wide as their texts drawn at that DPI.
    EXPECT_TRUE(LaidOutInDialogUnits(dialog));
    EXPECT_TRUE(ColumnsFitTheirTexts(list, headers, rows));
    Screenshot(dialog, L"restore-files-dialog-" + std::to_wstring(ScreenDpi()) + L"dpi.bmp");

    Key(app, dialog, VK_ESCAPE);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog); }, 5000)) << "Esc closes it";
    EXPECT_TRUE(app.Close());
}

TEST_F(RestoreFilesDialogTest, EachRowTellsWhenItsRemovalWasMade)
{
    ASSERT_TRUE(InTheExpectedZone());
    AddProduct(HKEY_CURRENT_USER, L"Alpha", L"C:\\Alpha");
    AddProduct(HKEY_CURRENT_USER, L"Beta", L"C:\\Beta");
    Driver app(TESSARINE_EXE, folder.path());
    ASSERT_TRUE(app.started());
    // Far enough apart that a kept file's name (when it was replaced, by
    // Beta's removal) tells another second than its removal.
    RemoveEach(app, {L"Alpha", L"Beta"}, 2500);

    HWND dialog = Open(app);
    ASSERT_TRUE(dialog);
    const Rows rows = ListViewRows(List(dialog));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][Dialog::Column::Products], L"Beta (Benutzerregister)");
    EXPECT_EQ(rows[1][Dialog::Column::Products], L"Alpha (Benutzerregister)");
    for (const auto& row : rows)
        EXPECT_EQ(row[Dialog::Column::When].substr(0, 19), LastWritten(folder.file(row[Dialog::Column::FileName])))
            << Narrow(row[Dialog::Column::FileName]);
    EXPECT_LT(rows[1][Dialog::Column::When], rows[0][Dialog::Column::When]) << "Alpha was removed first";
    EXPECT_TRUE(CloseBoth(app, dialog));
}

TEST_F(RestoreFilesDialogTest, RestoringTheOldestBringsItsProductBackAndLeavesTheOthers)
{
    AddThree();
    const std::string alphaBefore = RegistryDump(L"Software\\Velmora\\Alpha");
    Driver app(TESSARINE_EXE, folder.path());
    ASSERT_TRUE(app.started());
    RemoveEach(app, {L"Alpha", L"Beta", L"Gamma"});
    HWND dialog = Open(app);
    ASSERT_TRUE(dialog);
    const HWND list = List(dialog);
    std::vector<std::string> bytes;
    std::vector<std::wstring> files;
    for (const auto& row : ListViewRows(list)) {
        files.push_back(folder.file(row[Dialog::Column::FileName]));
        bytes.push_back(ReadFileBytes(files.back()));
    }
    ASSERT_EQ(files.size(), 3u);

    // By keyboard: to the last row, the oldest, and Enter for the default button.
    Key(app, dialog, VK_END);
    ASSERT_TRUE(WaitFor([&] { return ListViewSelected(list) == 2; }, 5000));
    Key(app, dialog, VK_RETURN);
    std::wstring question;
    HWND ask = app.WaitForBox(BoxTitle, &question);
    ASSERT_TRUE(ask);
    EXPECT_NE(question.find(ListViewRows(list)[2][Dialog::Column::FileName]), std::wstring::npos) << Narrow(question);
    app.Press(ask, IDYES);
    ASSERT_TRUE(WaitFor([&] { return ListViewRows(list).size() == 2 && IsWindowEnabled(list); }, 20000))
        << "listed again without it";

    EXPECT_EQ(RegistryDump(L"Software\\Velmora\\Alpha"), alphaBefore) << "back byte for byte";
    EXPECT_FALSE(FileThere(files[2]));
    EXPECT_EQ(ReadFileBytes(folder.file(L"Uninstall.bak")), bytes[2]);
    EXPECT_EQ(ReadFileBytes(files[0]), bytes[0]);
    EXPECT_EQ(ReadFileBytes(files[1]), bytes[1]);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\Velmora\\Beta"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Velmora\\Gamma"));
    EXPECT_FALSE(app.WaitForBox(BoxTitle, nullptr, 500)) << "a restore that worked says nothing";
    EXPECT_EQ(ListViewSelected(list), 1) << "the row where the restored one was, or the last";
    EXPECT_TRUE(CloseBoth(app, dialog));
}

TEST_F(RestoreFilesDialogTest, ASlowImportTakesNoSecondPressAndRestoresOnce)
{
    // A product large enough that the real editor's import takes a second
    // or more under Wine.
    constexpr int Parts = 20, ValuesEach = 1500;
    for (int part = 0; part < Parts; ++part) {
        const std::wstring key = L"Software\\Velmora\\Gross\\Teil " + std::to_wstring(part);
        for (int v = 0; v < ValuesEach; ++v)
            SetString(HKEY_CURRENT_USER, key, L"Wert " + std::to_wstring(v), L"Daten " + std::to_wstring(v));
    }
    const std::string before = RegistryDump(L"Software\\Velmora\\Gross");
    Driver app(TESSARINE_EXE, folder.path());
    ASSERT_TRUE(app.started());
    RemoveEach(app, {L"Gross"});
    ASSERT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\Velmora\\Gross"));
    const size_t restoresLogged = LoggedLines(folder, OperationLog::Restore);

    HWND dialog = Open(app);
    ASSERT_TRUE(dialog);
    const HWND list = List(dialog), restore = GetDlgItem(dialog, Dialog::RestoreButton),
               close = GetDlgItem(dialog, Dialog::CloseButton);
    Key(app, dialog, VK_RETURN);
    HWND ask = app.WaitForBox(BoxTitle);
    ASSERT_TRUE(ask);
    app.Press(ask, IDYES);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(ask); }, 5000));

    std::set<DWORD> editors;
    ASSERT_TRUE(WaitFor([&] { return !(editors = EditorsOf(app.processId())).empty(); }, 10000))
        << "the import started";
    // A handle of the test's own, which tells whether the editor still runs
    // however soon it ends.
    const ProcessHandle editor(OpenProcess(SYNCHRONIZE, FALSE, *editors.begin()));
    ASSERT_TRUE(editor);
    EXPECT_FALSE(IsWindowEnabled(list));
    EXPECT_FALSE(IsWindowEnabled(restore));
    EXPECT_FALSE(IsWindowEnabled(close));
    // While the editor imports: Enter, Alt+W, a click on the button, the
    // command that Enter sends even to a disabled default button, and Esc.
    Key(app, dialog, VK_RETURN);
    PostMessageW(app.Focus() ? app.Focus() : dialog, WM_SYSCHAR, L'w', LPARAM(1 | 1u << 29));
    PostMessageW(restore, BM_CLICK, 0, 0);
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(restore));
    Key(app, dialog, VK_ESCAPE);
    // A mark posted behind the five: once the list holds it, the program has
    // handled them, in the order they came. Handled after the import, they
    // would meet a list without the file and prove nothing.
    constexpr DWORD Mark = 4711;
    PostMessageW(list, LVM_SETHOVERTIME, 0, LPARAM(Mark));
    ASSERT_TRUE(WaitFor([&] {
        DWORD_PTR hover = 0;
        return SendMessageTimeoutW(list, LVM_GETHOVERTIME, 0, 0, SMTO_NORMAL, 1000, &hover) && hover == Mark;
    }, 30000)) << "the five inputs were handled";
    EXPECT_EQ(WaitForSingleObject(editor.get(), 0), DWORD(WAIT_TIMEOUT)) << "while the editor still imported";
    bool asked = false, closedDuringImport = false;
    ASSERT_TRUE(WaitFor([&] {
        const std::set<DWORD> running = EditorsOf(app.processId());
        editors.insert(running.begin(), running.end());
        asked = asked || FindWindowW(L"#32770", BoxTitle.c_str());
        closedDuringImport = closedDuringImport || (!running.empty() && !IsWindowVisible(dialog));
        return !IsWindow(dialog);
    }, 30000)) << "Esc closes the dialog once the restore has ended";
    EXPECT_FALSE(closedDuringImport) << "not before";
    EXPECT_FALSE(asked || app.WaitForBox(BoxTitle, nullptr, 1500)) << "one question; a restore that worked says nothing";
    EXPECT_EQ(editors.size(), 1u) << "one import";
    EXPECT_EQ(LoggedLines(folder, OperationLog::Restore), restoresLogged + 1) << "one log line";
    EXPECT_EQ(RegistryDump(L"Software\\Velmora\\Gross"), before) << "back byte for byte";
    EXPECT_FALSE(FileThere(folder.file(L"Uninstall.reg")));
    EXPECT_TRUE(FileThere(folder.file(L"Uninstall.bak")));
    EXPECT_TRUE(app.Close());
}

TEST_F(RestoreFilesDialogTest, AFileReplacedSinceTheListingIsNotImported)
{
    AddProduct(HKEY_CURRENT_USER, L"Alpha", L"C:\\Alpha");
    AddProduct(HKEY_CURRENT_USER, L"Beta", L"C:\\Beta");
    Driver app(TESSARINE_EXE, folder.path());
    ASSERT_TRUE(app.started());
    RemoveEach(app, {L"Alpha"});
    HWND dialog = Open(app);
    ASSERT_TRUE(dialog);
    const HWND list = List(dialog);
    ASSERT_EQ(ListViewRows(list).size(), 1u);

    // Meanwhile another copy of the program removes Beta: Alpha's file is
    // kept aside, and Uninstall.reg holds Beta's keys now.
    const std::wstring restoreFile = folder.file(L"Uninstall.reg");
    ASSERT_TRUE(MoveFileW(restoreFile.c_str(), folder.file(L"Uninstall 2026-01-01 00-00-00.reg").c_str()));
    ASSERT_TRUE(ExportKey(L"HKEY_CURRENT_USER\\Software\\Velmora\\Beta", restoreFile));
    const std::string beta = ReadFileBytes(restoreFile);
    ASSERT_NE(beta.find(Utf16File(L"Beta").substr(2)), std::string::npos);
    ASSERT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Velmora\\Beta"), ERROR_SUCCESS);
    const std::string registry = RegistryDump();

    // Nothing is asked about a file the user did not see: told, not asked.
    const std::wstring changed = Restore::Message({Restore::Result::Changed, L"Uninstall.reg", {}});
    auto restoreIsRefused = [&]() -> testing::AssertionResult {
        app.AltKey(L'w');
        std::wstring text;
        const HWND box = app.WaitForBox(BoxTitle, &text);
        if (!box) return testing::AssertionFailure() << "no message";
        app.Press(box, IDOK);
        if (!WaitFor([&] { return IsWindowEnabled(list); }, 10000)) return testing::AssertionFailure() << "busy";
        if (text != changed) return testing::AssertionFailure() << Narrow(text);
        return testing::AssertionSuccess();
    };
    EXPECT_TRUE(restoreIsRefused());

    EXPECT_EQ(RegistryDump(), registry) << "nothing imported";
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\Velmora\\Beta"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\Velmora\\Alpha"));
    EXPECT_EQ(ReadFileBytes(restoreFile), beta) << "the new file stays as it was";
    EXPECT_FALSE(FileThere(folder.file(L"Uninstall.bak")));
    const Rows rows = ListViewRows(list);
    ASSERT_EQ(rows.size(), 2u) << "listed anew";
    EXPECT_EQ(rows[0][Dialog::Column::Products], L"Beta (Benutzerregister)");
    EXPECT_EQ(ListViewSelected(list), 0) << "the same file selected by name";

    // The file the selected row showed goes before its restore.
    ASSERT_TRUE(MoveFileW(restoreFile.c_str(), folder.file(L"elsewhere.txt").c_str()));
    EXPECT_TRUE(restoreIsRefused());
    EXPECT_EQ(RegistryDump(), registry) << "nothing imported";
    EXPECT_EQ(ListViewRows(list).size(), 1u) << "listed anew, without the file that went";
    app.AltKey(L's');
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog); }, 5000)) << "Alt+S closes it";
    EXPECT_TRUE(app.Close());
}

TEST_F(RestoreFilesDialogTest, AFileWithAKeyOutsideIsNotRestorableAndWritesNothing)
{
    AddProduct(HKEY_CURRENT_USER, L"Stays");
    const std::wstring planted = folder.file(L"Uninstall 2026-01-01 00-00-00.reg");
    const std::string file = Utf16File(RegHead
                                       + L"[HKEY_CURRENT_USER\\Software\\Velmora\\Alpha]\r\n\"V\"=\"1\"\r\n\r\n"
                                       L"[HKEY_CURRENT_USER\\Software\\Evil]\r\n\"Run\"=\"evil.exe\"\r\n\r\n");
    WriteFileBytes(planted, file);
    const std::string before = RegistryDump();
    Driver app(TESSARINE_EXE, folder.path());
    ASSERT_TRUE(app.started());
    HWND dialog = Open(app);
    ASSERT_TRUE(dialog);
    const Rows rows = ListViewRows(List(dialog));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][Dialog::Column::State],
              L"nicht wiederherstellbar: enth\u00e4lt Eintr\u00e4ge au\u00dferhalb der Velmora-Produkte");
    HWND restore = GetDlgItem(dialog, Dialog::RestoreButton);
    EXPECT_FALSE(IsWindowEnabled(restore));

    PostMessageW(restore, BM_CLICK, 0, 0);
    Key(app, dialog, VK_RETURN);
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(restore));
    EXPECT_FALSE(app.WaitForBox(BoxTitle, nullptr, 1500)) << "nothing asked, nothing imported";
    EXPECT_EQ(RegistryDump(), before);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\Evil"));
    EXPECT_EQ(ReadFileBytes(planted), file);
    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_TRUE(CloseBoth(app, dialog));
}

TEST_F(RestoreFilesDialogTest, TheCommandDoesNothingWithoutARestoreFile)
{
    Driver app(TESSARINE_EXE, folder.path());
    ASSERT_TRUE(app.started());
    EXPECT_FALSE(Open(app, 1500)) << "the command is grey: no dialog";

    WriteFileBytes(folder.file(L"Uninstall 2026-01-01 00-00-00.reg"), "x");
    HWND dialog = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (dialog = Open(app, 1000)) != nullptr; }, 10000)) << "a kept file enables it";
    EXPECT_FALSE(app.Enabled(ControlIds::bRestored)) << "the button follows Uninstall.reg alone";
    EXPECT_TRUE(CloseBoth(app, dialog));
}
