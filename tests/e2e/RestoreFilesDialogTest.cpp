// The restore files dialog of the real Tessarine.exe, reached through the
// window's system menu, restoring through the real registry editor.
#include "Driver.h"

#include "app/ControlIds.h"
#include "app/RestoreFilesDialog.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace test;

namespace {

const std::wstring Title = RestoreFilesDialog::Title;
// The restore's message boxes: the same title with a blank before it.
const std::wstring BoxTitle = L" Wiederherstellungsdateien";

std::vector<std::wstring> Fields(const std::wstring& row)
{
    std::vector<std::wstring> fields;
    for (size_t at = 0;;) {
        const size_t end = row.find(L'\t', at);
        fields.push_back(row.substr(at, end == std::wstring::npos ? end : end - at));
        if (end == std::wstring::npos) return fields;
        at = end + 1;
    }
}

struct RestoreFilesDialogTest : ::testing::Test {
    // Alpha, Beta and Gamma removed in this order, each on its own.
    void RemoveThree(const Driver& app)
    {
        for (const wchar_t* name : {L"Alpha", L"Beta", L"Gamma"}) {
            const std::vector<std::wstring> rows = app.Rows();
            for (size_t i = 0; i < rows.size(); ++i)
                if (rows[i].rfind(std::wstring(name) + L"\t", 0) == 0) app.SelectRow(int(i));
            ASSERT_EQ(RemoveSelected(app, name), RemovedMessage) << Narrow(name);
            ASSERT_TRUE(app.WaitIdle());
        }
        // The tick that enables the restore button enables the menu command too.
        ASSERT_TRUE(WaitFor([&] { return app.Enabled(ControlIds::bRestored); }, 5000));
    }
    void AddThree()
    {
        AddProduct(HKEY_LOCAL_MACHINE, L"Alpha", L"C:\\Programme\\Alpha", L"2.0");
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
    AddThree();
    Driver app(TESSARINE_EXE, folder.path());
    ASSERT_TRUE(app.started());
    RemoveThree(app);

    HWND dialog = Open(app);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), app.window());
    EXPECT_FALSE(IsWindowEnabled(app.window())) << "modal";
    const std::vector<std::wstring> rows = ListRows(GetDlgItem(dialog, RestoreFilesDialog::FileList));
    ASSERT_EQ(rows.size(), 3u);
    const std::vector<std::wstring> gamma = Fields(rows[0]), beta = Fields(rows[1]), alpha = Fields(rows[2]);
    ASSERT_EQ(gamma.size(), 5u);
    ASSERT_EQ(beta.size(), 5u);
    ASSERT_EQ(alpha.size(), 5u);
    EXPECT_EQ(gamma[1], L"Gamma (Hauptregister), Gamma (Benutzerregister)");
    EXPECT_EQ(gamma[2], L"2 Schl\u00fcssel, 4 Werte");
    EXPECT_EQ(gamma[4], L"Uninstall.reg");
    EXPECT_EQ(beta[1], L"Beta (Benutzerregister)");
    EXPECT_EQ(beta[2], L"2 Schl\u00fcssel, 2 Werte");
    EXPECT_EQ(alpha[1], L"Alpha (Hauptregister)");
    EXPECT_EQ(alpha[2], L"1 Schl\u00fcssel, 2 Werte");
    for (const auto* row : {&gamma, &beta, &alpha}) EXPECT_EQ((*row)[3], L"wiederherstellbar");
    // Within one second the later replacement has the higher copy number.
    EXPECT_GE(beta[0], alpha[0]);
    EXPECT_GE(gamma[0].substr(0, 19), beta[0].substr(0, 19));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, RestoreFilesDialog::RestoreButton)));
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    Screenshot(dialog, L"restore-files-dialog-" + std::to_wstring(dpi) + L"dpi.bmp");

    app.Key(VK_ESCAPE);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog); }, 5000)) << "Esc closes it";
    EXPECT_TRUE(app.Close());
}

TEST_F(RestoreFilesDialogTest, RestoringTheOldestBringsItsProductBackAndLeavesTheOthers)
{
    AddThree();
    const std::string alphaBefore = RegistryDump(L"Software\\Velmora\\Alpha");
    Driver app(TESSARINE_EXE, folder.path());
    ASSERT_TRUE(app.started());
    RemoveThree(app);
    HWND dialog = Open(app);
    ASSERT_TRUE(dialog);
    HWND list = GetDlgItem(dialog, RestoreFilesDialog::FileList);
    std::vector<std::string> bytes;
    std::vector<std::wstring> files;
    for (const auto& row : ListRows(list)) {
        files.push_back(folder.file(Fields(row).back()));
        bytes.push_back(ReadFileBytes(files.back()));
    }
    ASSERT_EQ(files.size(), 3u);

    // By keyboard: to the last row, the oldest, and Enter for the default button.
    app.Key(VK_END);
    ASSERT_TRUE(WaitFor([&] { return SendMessageW(list, LB_GETCURSEL, 0, 0) == 2; }, 5000));
    app.Key(VK_RETURN);
    std::wstring question;
    HWND ask = app.WaitForBox(BoxTitle, &question);
    ASSERT_TRUE(ask);
    EXPECT_NE(question.find(Fields(ListRows(list)[2]).back()), std::wstring::npos) << Narrow(question);
    app.Press(ask, IDYES);
    ASSERT_TRUE(WaitFor([&] { return ListRows(list).size() == 2; }, 20000)) << "listed again without it";

    EXPECT_EQ(RegistryDump(L"Software\\Velmora\\Alpha"), alphaBefore) << "back byte for byte";
    EXPECT_FALSE(FileThere(files[2]));
    EXPECT_EQ(ReadFileBytes(folder.file(L"Uninstall.bak")), bytes[2]);
    EXPECT_EQ(ReadFileBytes(files[0]), bytes[0]);
    EXPECT_EQ(ReadFileBytes(files[1]), bytes[1]);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\Velmora\\Beta"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Velmora\\Gamma"));
    EXPECT_FALSE(app.WaitForBox(BoxTitle, nullptr, 500)) << "a restore that worked says nothing";
    EXPECT_TRUE(CloseBoth(app, dialog));
}

TEST_F(RestoreFilesDialogTest, AFileWithAKeyOutsideIsNotRestorableAndWritesNothing)
{
    AddProduct(HKEY_CURRENT_USER, L"Stays");
    const std::wstring planted = folder.file(L"Uninstall 2026-01-01 00-00-00.reg");
    const std::string file = Utf16File(L"Windows Registry Editor Version 5.00\r\n\r\n"
                                       L"[HKEY_CURRENT_USER\\Software\\Velmora\\Alpha]\r\n\"V\"=\"1\"\r\n\r\n"
                                       L"[HKEY_CURRENT_USER\\Software\\Evil]\r\n\"Run\"=\"evil.exe\"\r\n\r\n");
    WriteFileBytes(planted, file);
    const std::string before = RegistryDump();
    Driver app(TESSARINE_EXE, folder.path());
    ASSERT_TRUE(app.started());
    HWND dialog = Open(app);
    ASSERT_TRUE(dialog);
    const std::vector<std::wstring> rows = ListRows(GetDlgItem(dialog, RestoreFilesDialog::FileList));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(Fields(rows[0])[3],
              L"nicht wiederherstellbar: enth\u00e4lt Eintr\u00e4ge au\u00dferhalb der Velmora-Produkte");
    HWND restore = GetDlgItem(dialog, RestoreFilesDialog::RestoreButton);
    EXPECT_FALSE(IsWindowEnabled(restore));

    PostMessageW(restore, BM_CLICK, 0, 0);
    app.Key(VK_RETURN);
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
