// The restore files beside Uninstall.reg: which names count, what each
// holds, and the system menu's command that reaches them.
#include "WindowFixture.h"

#include "removal/RestoreCheck.h"
#include "removal/RestoreFiles.h"

using namespace test;

namespace {

const std::wstring Head = L"Windows Registry Editor Version 5.00\r\n\r\n";

std::wstring ProductKey(const wchar_t* root, const wchar_t* name, const wchar_t* below = L"")
{
    return std::wstring(L"[") + root + L"\\Software\\Velmora\\" + name + below + L"]\r\n";
}

struct RestoreFilesFixture : WindowFixture {
    bool CommandEnabled() const
    {
        const UINT state = GetMenuState(GetSystemMenu(root->hwnd(), FALSE), ControlIds::RestoreFiles, MF_BYCOMMAND);
        return state != UINT(-1) && !(state & MF_GRAYED);
    }
};

} // namespace

TEST(RestoreFiles, TellsRestoreFileNamesFromOthers)
{
    const struct {
        const wchar_t* name;
        bool counts;
        int copy;
    } cases[] = {
        {L"Uninstall.reg", true, 1},
        {L"UNINSTALL.REG", true, 1},
        {L"Uninstall 2026-12-07 09-05-03.reg", true, 1},
        {L"Uninstall 2026-12-07 09-05-03 (12).reg", true, 12},
        {L"Uninstall 2026-12-07 09-05-03 (1).reg", false, 0},
        {L"Uninstall 2026-12-07 09-05-3.reg", false, 0},
        {L"Uninstall 2026-12-07 09-05-03 (x).reg", false, 0},
        {L"Uninstall 2026-12-07 09-05-03.reg.txt", false, 0},
        {L"Uninstall_1.reg", false, 0},
        {L"Uninstall.bak", false, 0},
    };
    // The names the removal gives the files it keeps.
    const RestoreFile::Paths paths = RestoreFile::PathsIn(L"C:\\Tools");
    const SYSTEMTIME moment{2026, 12, 1, 7, 9, 5, 3, 0};
    SYSTEMTIME read{};
    int copy = 0;
    EXPECT_TRUE(RestoreFiles::IsRestoreFileName(RestoreFile::KeptPath(paths, moment, 3).substr(9), &read, &copy));
    EXPECT_EQ(copy, 3);
    EXPECT_EQ(read.wSecond, 3);
    EXPECT_EQ(read.wDay, 7);
    for (const auto& c : cases) {
        SYSTEMTIME at{};
        int copy = 0;
        EXPECT_EQ(RestoreFiles::IsRestoreFileName(c.name, &at, &copy), c.counts) << Narrow(c.name);
        if (c.copy > 1) EXPECT_EQ(copy, c.copy) << Narrow(c.name);
    }
}

TEST(RestoreFiles, NamesTheRegisterAndProductOfAKey)
{
    const struct {
        const wchar_t* key;
        const wchar_t* label;
        const wchar_t* product;
    } cases[] = {
        {L"HKEY_LOCAL_MACHINE\\Software\\Velmora\\Alpha\\Sub", L"Hauptregister", L"Alpha"},
        {L"hkey_local_machine\\SOFTWARE\\Wow6432Node\\velmora\\Beta", L"Hauptregister (32-Bit-Ansicht)", L"Beta"},
        {L"HKEY_CURRENT_USER\\Software\\Velmora\\Gr\u00fcn Werk", L"Benutzerregister", L"Gr\u00fcn Werk"},
        {L"HKEY_CURRENT_USER\\Software\\Wow6432Node\\Velmora\\Beta", nullptr, nullptr},
        {L"HKEY_CURRENT_USER\\Software\\Velmora", nullptr, nullptr},
        {L"HKEY_CURRENT_USER\\Software\\Evil", nullptr, nullptr},
    };
    for (const auto& c : cases) {
        std::wstring label, product;
        EXPECT_EQ(RestoreCheck::ProductOf(c.key, label, product), c.label != nullptr) << Narrow(c.key);
        if (!c.label) continue;
        EXPECT_EQ(label, c.label);
        EXPECT_EQ(product, c.product);
    }
}

TEST_F(RestoreFilesFixture, ListsEveryRestoreFileNewestFirstWithWhatItHolds)
{
    const std::wstring alpha = Head + ProductKey(L"HKEY_LOCAL_MACHINE", L"Alpha") + L"\"V\"=\"1\"\r\n\r\n"
                             + ProductKey(L"HKEY_LOCAL_MACHINE", L"Alpha", L"\\Sub") + L"\"A\"=dword:00000001\r\n"
                             + L"\"B\"=\"2\"\r\n\r\n" + ProductKey(L"HKEY_CURRENT_USER", L"ALPHA") + L"\r\n"
                             + ProductKey(L"HKEY_CURRENT_USER", L"Beta") + L"\"V\"=\"1\"\r\n\r\n";
    WriteFileBytes(folder.file(L"Uninstall 2026-12-07 09-05-03.reg"), Utf16File(alpha));
    WriteFileBytes(folder.file(L"Uninstall 2026-12-07 09-05-03 (2).reg"),
                   Utf16File(Head + L"[HKEY_CURRENT_USER\\Software\\Evil]\r\n\r\n"));
    WriteFileBytes(folder.file(L"Uninstall 2025-01-31 23-59-59.reg"), "not a registry file");
    WriteFileBytes(paths.restore, Utf16File(Head + ProductKey(L"HKEY_CURRENT_USER", L"Gamma") + L"\r\n"));
    WriteFileBytes(paths.mainExport, Utf16File(alpha));
    ASSERT_TRUE(CreateDirectoryW(folder.file(L"Uninstall 2027-01-01 00-00-00.reg").c_str(), nullptr));
    {
        // Open elsewhere without sharing: it cannot be read.
        const std::wstring locked = folder.file(L"Uninstall 2024-06-01 12-00-00.reg");
        WriteFileBytes(locked, Utf16File(alpha));
        FileHandle held(CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);

        const std::vector<RestoreFiles::File> files = RestoreFiles::List(folder.path());
        std::vector<std::wstring> names;
        for (const auto& f : files) names.push_back(f.name);
        EXPECT_EQ(names, (std::vector<std::wstring>{L"Uninstall.reg", L"Uninstall 2026-12-07 09-05-03 (2).reg",
                                                    L"Uninstall 2026-12-07 09-05-03.reg",
                                                    L"Uninstall 2025-01-31 23-59-59.reg",
                                                    L"Uninstall 2024-06-01 12-00-00.reg"}));
        ASSERT_EQ(files.size(), 5u);
        SYSTEMTIME now;
        GetLocalTime(&now);
        EXPECT_EQ(files[0].when.wYear, now.wYear) << "Uninstall.reg: when it was last written";
        EXPECT_EQ(files[0].refusal, RestoreFiles::Refusal::None);

        const RestoreFiles::File& kept = files[2];
        EXPECT_EQ(kept.refusal, RestoreFiles::Refusal::None);
        EXPECT_EQ(kept.held.products, (std::vector<RestoreFiles::Product>{{L"Alpha", L"Hauptregister"},
                                                                         {L"ALPHA", L"Benutzerregister"},
                                                                         {L"Beta", L"Benutzerregister"}}));
        EXPECT_EQ(kept.held.keys, 4u);
        EXPECT_EQ(kept.held.values, 4u);
        ASSERT_EQ(kept.held.registers.size(), 2u);
        EXPECT_EQ(kept.held.registers[0].keys, 2u);
        EXPECT_EQ(kept.held.registers[0].values, 3u);
        EXPECT_EQ(kept.held.registers[1].values, 1u);

        EXPECT_EQ(files[1].refusal, RestoreFiles::Refusal::Foreign);
        EXPECT_EQ(files[1].copy, 2);
        EXPECT_TRUE(files[1].held.products.empty());
        EXPECT_EQ(files[3].refusal, RestoreFiles::Refusal::NotRead) << "no header: the reader reads nothing";
        EXPECT_EQ(files[4].refusal, RestoreFiles::Refusal::NotRead);
    }
}

TEST_F(RestoreFilesFixture, MenuCommandFollowsAnyRestoreFileAndTheButtonUninstallRegAlone)
{
    Load();
    const struct {
        const char* what;
        const wchar_t* file;
        bool command, button;
    } cases[] = {
        {"no file", nullptr, false, false},
        {"a temporary export only", L"Uninstall_1.reg", false, false},
        {"a kept file only", L"Uninstall 2026-12-07 09-05-03.reg", true, false},
        {"Uninstall.reg", L"Uninstall.reg", true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.file) WriteFileBytes(folder.file(c.file), "x");
        root->Timer1_Timer();
        EXPECT_EQ(CommandEnabled(), c.command);
        EXPECT_EQ(root->bRestored.enabled(), c.button);
        if (c.file) ASSERT_TRUE(DeleteFileW(folder.file(c.file).c_str()));
    }
}
