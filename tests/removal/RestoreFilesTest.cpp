// The restore files beside Uninstall.reg: which names count, what each
// holds, and the system menu's command that reaches them.
#include "WindowFixture.h"

#include "catalogue/ProductRow.h"
#include "removal/RestoreCheck.h"
#include "removal/RestoreFiles.h"

using namespace test;

namespace {

const std::wstring& Head = RegHead;

std::wstring ProductKey(const wchar_t* root, const wchar_t* name, const wchar_t* below = L"")
{
    return std::wstring(L"[") + root + L"\\Software\\Velmora\\" + name + below + L"]\r\n";
}

// Sets the file's last write to a local time, as a removal at that moment
// leaves it.
testing::AssertionResult WrittenAt(const std::wstring& file, const SYSTEMTIME& local)
{
    SYSTEMTIME utc;
    FILETIME at;
    if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) || !SystemTimeToFileTime(&utc, &at))
        return testing::AssertionFailure() << "no such time";
    FileHandle f(CreateFileW(file.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!f || !SetFileTime(f.get(), nullptr, nullptr, &at))
        return testing::AssertionFailure() << "cannot set the time of " << Narrow(file);
    return testing::AssertionSuccess();
}

struct RestoreFilesFixture : WindowFixture {
    bool CommandEnabled() const
    {
        const UINT state = GetMenuState(GetSystemMenu(root->hwnd(), FALSE), ControlIds::RestoreFiles, MF_BYCOMMAND);
        return state != UINT(-1) && !(state & MF_GRAYED);
    }
};

} // namespace

TEST(RestoreFiles, TakesExactlyTheNamesTheRemovalKeepsFilesUnder)
{
    // Every name the removal writes reads back as its moment and copy.
    const struct {
        SYSTEMTIME moment;
        int copy;
    } written[] = {
        {{2026, 12, 1, 7, 9, 5, 3, 0}, 1},
        {{2024, 2, 4, 29, 23, 59, 59, 0}, 2},
        {{1999, 1, 5, 1, 0, 0, 0, 0}, RestoreFile::MaxKeptCopies},
    };
    const RestoreFile::Paths paths = RestoreFile::PathsIn(L"C:\\Tools");
    for (const auto& w : written) {
        const std::wstring path = RestoreFile::KeptPath(paths, w.moment, w.copy);
        const std::wstring name = path.substr(path.find_last_of(L'\\') + 1);
        EXPECT_EQ(path, L"C:\\Tools\\" + name);
        SYSTEMTIME read{};
        int copy = 0;
        ASSERT_TRUE(RestoreFiles::IsRestoreFileName(name, &read, &copy)) << Narrow(name);
        EXPECT_EQ(RestoreFiles::TimeText(read), RestoreFiles::TimeText(w.moment)) << Narrow(name);
        EXPECT_EQ(copy, w.copy) << Narrow(name);
    }
    const struct {
        const wchar_t* name;
        bool counts;
    } cases[] = {
        {L"Uninstall.reg", true},
        {L"UNINSTALL.REG", true},
        {L"uninstall 2026-12-07 09-05-03 (12).REG", true},
        {L"Uninstall 2026-12-07 09-05-03 (1).reg", false},
        {L"Uninstall 2026-12-07 09-05-03 (02).reg", false},
        {L"Uninstall 2026-12-07 09-05-03 (1001).reg", false},
        {L"Uninstall 2026-12-07 09-05-03 (99999).reg", false},
        {L"Uninstall 2026-12-07 09-05-03 (x).reg", false},
        {L"Uninstall 2026-12-07 09-05-03 ().reg", false},
        {L"Uninstall 2026-12-07 09-05-3.reg", false},
        {L"Uninstall 2026-12-07 09.05.03.reg", false},
        {L"Uninstall 2026-13-07 09-05-03.reg", false},
        {L"Uninstall 2026-00-07 09-05-03.reg", false},
        {L"Uninstall 2026-02-29 09-05-03.reg", false},
        {L"Uninstall 2026-04-31 09-05-03.reg", false},
        {L"Uninstall 2026-12-00 09-05-03.reg", false},
        {L"Uninstall 2026-12-07 24-05-03.reg", false},
        {L"Uninstall 2026-12-07 09-60-03.reg", false},
        {L"Uninstall 2026-12-07 09-05-60.reg", false},
        {L"Uninstall  2026-12-07 09-05-03.reg", false},
        {L"Uninstall 2026-12-07 09-05-03.reg.txt", false},
        {L"Uninstall_1.reg", false},
        {L"Uninstall.bak", false},
    };
    for (const auto& c : cases) EXPECT_EQ(RestoreFiles::IsRestoreFileName(c.name), c.counts) << Narrow(c.name);
}

TEST(RestoreFiles, NamesTheRegisterAndProductOfAKey)
{
    const struct {
        const wchar_t* key;
        const wchar_t* label;
        const wchar_t* product;
        HKEY root = nullptr; // where the import writes it
        const wchar_t* path = L"";
    } cases[] = {
        {L"HKEY_LOCAL_MACHINE\\Software\\Velmora\\Alpha\\Sub", ProductRow::MainLabel, L"Alpha", HKEY_LOCAL_MACHINE,
         L"Software\\Velmora\\Alpha\\Sub"},
        {L"hkey_local_machine\\SOFTWARE\\Wow6432Node\\velmora\\Beta", ProductRow::Main32Label, L"Beta",
         HKEY_LOCAL_MACHINE, L"SOFTWARE\\Wow6432Node\\velmora\\Beta"},
        {L"HKEY_CURRENT_USER\\Software\\Velmora\\Gr\u00fcn Werk", ProductRow::UserLabel, L"Gr\u00fcn Werk",
         HKEY_CURRENT_USER, L"Software\\Velmora\\Gr\u00fcn Werk"},
        {L"HKEY_CURRENT_USER\\Software\\Wow6432Node\\Velmora\\Beta", nullptr, nullptr, HKEY_CURRENT_USER,
         L"Software\\Wow6432Node\\Velmora\\Beta"},
        {L"HKEY_CURRENT_USER\\Software\\Velmora", nullptr, nullptr, HKEY_CURRENT_USER, L"Software\\Velmora"},
        {L"HKEY_CURRENT_USER\\Software\\Velmora\\\\Beta", nullptr, nullptr, HKEY_CURRENT_USER,
         L"Software\\Velmora\\\\Beta"},
        {L"HKEY_CURRENT_USER\\Software\\Evil", nullptr, nullptr, HKEY_CURRENT_USER, L"Software\\Evil"},
        {L"HKEY_CURRENT_USER", nullptr, nullptr, HKEY_CURRENT_USER, L""},
        // Below HKEY_USERS only a person's profile of the machine: not a service's hive, not the
        // template for new profiles, not a SID the machine has no profile for, nothing beside the product root.
        {L"HKEY_USERS\\S-1-5-18\\Software\\Velmora\\Alpha", nullptr, nullptr, HKEY_USERS, L"S-1-5-18\\Software\\Velmora\\Alpha"},
        {L"HKEY_USERS\\.DEFAULT\\Software\\Velmora\\Alpha", nullptr, nullptr, HKEY_USERS, L".DEFAULT\\Software\\Velmora\\Alpha"},
        {L"HKEY_USERS\\S-1-5-21-1000-2000-3000-1099\\Software\\Velmora\\Alpha", nullptr, nullptr, HKEY_USERS,
         L"S-1-5-21-1000-2000-3000-1099\\Software\\Velmora\\Alpha"},
        {L"HKEY_USERS\\S-1-5-21-0-0-0-1000\\Software\\Evil\\Alpha", nullptr, nullptr, HKEY_USERS,
         L"S-1-5-21-0-0-0-1000\\Software\\Evil\\Alpha"},
        {L"HKEY_USERS\\S-1-5-21-0-0-0-1000\\Software\\Velmora", nullptr, nullptr, HKEY_USERS,
         L"S-1-5-21-0-0-0-1000\\Software\\Velmora"},
        // Neither register: the import would write somewhere else.
        {L"HKEY_LOCAL_MACHINE_\\Software\\Velmora\\Alpha", nullptr, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.key));
        const RestoreCheck::Place place = RestoreCheck::PlaceOf(c.key);
        EXPECT_EQ(!place.product.empty(), c.label != nullptr);
        EXPECT_EQ(place.root, c.root);
        if (c.root) EXPECT_EQ(place.path, c.path);
        if (!c.label) {
            EXPECT_EQ(place.registerLabel, L"") << "no register label at no product";
            continue;
        }
        EXPECT_EQ(place.registerLabel, c.label);
        EXPECT_EQ(place.product, c.product);
    }
}

TEST_F(RestoreFilesFixture, ListsEveryRestoreFileNewestFirstWithWhatItHolds)
{
    const std::wstring alpha = Head + ProductKey(L"HKEY_LOCAL_MACHINE", L"Alpha") + L"\"V\"=\"1\"\r\n\r\n"
                             + ProductKey(L"HKEY_LOCAL_MACHINE", L"Alpha", L"\\Sub") + L"\"A\"=dword:00000001\r\n"
                             + L"\"B\"=\"2\"\r\n\r\n" + ProductKey(L"HKEY_CURRENT_USER", L"ALPHA") + L"\r\n"
                             + ProductKey(L"HKEY_CURRENT_USER", L"Beta") + L"\"V\"=\"1\"\r\n\r\n"
                             + ProductKey(L"HKEY_CURRENT_USER", L"beta", L"\\Sub") + L"\"W\"=\"2\"\r\n\r\n";
    ASSERT_TRUE(InTheExpectedZone());
    // Each file with the local time its removal wrote it. A kept name tells
    // when the file was replaced, which is the next removal's time: the
    // list goes by the write, and on a tie Uninstall.reg comes first, then
    // the later name, then the higher copy.
    const struct {
        const wchar_t* name;
        std::string bytes;
        SYSTEMTIME written;
    } files[] = {
        {L"Uninstall 2026-12-07 17-00-00.reg", Utf16File(alpha), {2026, 12, 1, 7, 9, 0, 0, 0}},
        {L"Uninstall.reg", Utf16File(Head + ProductKey(L"HKEY_CURRENT_USER", L"Gamma") + L"\r\n"),
         {2026, 12, 1, 7, 17, 0, 0, 0}},
        {L"Uninstall 2026-12-07 17-00-01.reg", Utf16File(Head + L"[HKEY_CURRENT_USER\\Software\\Evil]\r\n\r\n"),
         {2026, 12, 1, 7, 17, 0, 0, 0}},
        {L"Uninstall 2026-12-07 17-00-01 (2).reg", "not a registry file", {2026, 12, 1, 7, 17, 0, 0, 0}},
        {L"Uninstall 2026-12-07 08-59-59.reg", Utf16File(alpha), {2026, 11, 0, 30, 8, 59, 58, 0}},
    };
    for (const auto& f : files) {
        WriteFileBytes(folder.file(f.name), f.bytes);
        ASSERT_TRUE(WrittenAt(folder.file(f.name), f.written));
    }
    WriteFileBytes(paths.mainExport, Utf16File(alpha));
    ASSERT_TRUE(CreateDirectoryW(folder.file(L"Uninstall 2027-01-01 00-00-00.reg").c_str(), nullptr));
    {
        // Open elsewhere without sharing: it cannot be read.
        const std::wstring locked = folder.file(L"Uninstall 2024-06-01 12-00-00.reg");
        WriteFileBytes(locked, Utf16File(alpha));
        ASSERT_TRUE(WrittenAt(locked, {2024, 5, 0, 31, 12, 0, 0, 0}));
        FileHandle held(CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);

        const std::vector<RestoreFiles::File> listed = RestoreFiles::List(folder.path());
        std::vector<std::wstring> names, times;
        for (const auto& f : listed) {
            names.push_back(f.name);
            times.push_back(RestoreFiles::TimeText(f.when));
        }
        EXPECT_EQ(names, (std::vector<std::wstring>{L"Uninstall.reg", L"Uninstall 2026-12-07 17-00-01 (2).reg",
                                                    L"Uninstall 2026-12-07 17-00-01.reg",
                                                    L"Uninstall 2026-12-07 17-00-00.reg",
                                                    L"Uninstall 2026-12-07 08-59-59.reg",
                                                    L"Uninstall 2024-06-01 12-00-00.reg"}));
        EXPECT_EQ(times, (std::vector<std::wstring>{L"2026-12-07 17:00:00", L"2026-12-07 17:00:00",
                                                    L"2026-12-07 17:00:00", L"2026-12-07 09:00:00",
                                                    L"2026-11-30 08:59:58", L"2024-05-31 12:00:00"}));
        ASSERT_EQ(listed.size(), 6u);
        EXPECT_EQ(listed[0].refusal, RestoreFiles::Refusal::None);

        const RestoreFiles::File& kept = listed[3];
        EXPECT_EQ(kept.refusal, RestoreFiles::Refusal::None);
        EXPECT_EQ(kept.held.products, (std::vector<RestoreFiles::Product>{{L"Alpha", ProductRow::MainLabel},
                                                                         {L"ALPHA", ProductRow::UserLabel},
                                                                         {L"Beta", ProductRow::UserLabel}}))
            << "Beta and beta are one product of the user register";
        EXPECT_EQ(kept.held.keys, 5u);
        EXPECT_EQ(kept.held.values, 5u);
        ASSERT_EQ(kept.held.registers.size(), 2u);
        EXPECT_EQ(kept.held.registers[0].keys, 2u);
        EXPECT_EQ(kept.held.registers[0].values, 3u);
        EXPECT_EQ(kept.held.registers[1].keys, 3u);
        EXPECT_EQ(kept.held.registers[1].values, 2u);

        EXPECT_EQ(listed[2].refusal, RestoreFiles::Refusal::Foreign);
        EXPECT_EQ(listed[1].copy, 2);
        EXPECT_TRUE(listed[2].held.products.empty());
        EXPECT_EQ(listed[1].refusal, RestoreFiles::Refusal::NotRead) << "no header: the reader reads nothing";
        EXPECT_EQ(listed[5].refusal, RestoreFiles::Refusal::NotRead);
    }
}

// What the restore check makes of names the registry keeps apart and of
// string data the import cannot write, checked against the real import.
TEST_F(RestoreFilesFixture, RestoreCheckTakesWhatTheImportWritesAndRefusesWhatItCannot)
{
    const std::wstring small = L"\xD801\xDC28", capital = L"\xD801\xDC00"; // one Deseret letter
    const std::wstring user = L"[HKEY_CURRENT_USER\\Software\\Velmora\\";
    const struct {
        const char* what;
        std::wstring body;
        RestoreFiles::Refusal refusal;
        size_t keys, values;
    } cases[] = {
        {"the Deseret pair as two keys and as two values",
         user + small + L"]\r\n\"" + small + L"\"=\"klein\"\r\n\"" + capital + L"\"=\"gro\u00df\"\r\n\r\n" + user
             + capital + L"]\r\n\"v\"=\"2\"\r\n\r\n",
         RestoreFiles::Refusal::None, 2, 3},
        {"string data of even length without its NUL", user + L"Alpha]\r\n\"e\"=hex(2):41,00\r\n\r\n",
         RestoreFiles::Refusal::None, 1, 1},
        {"binary data of odd length", user + L"Alpha]\r\n\"b\"=hex:41,42,43\r\n\r\n", RestoreFiles::Refusal::None, 1, 1},
        {"REG_EXPAND_SZ of one byte", user + L"Alpha]\r\n\"e\"=hex(2):41\r\n\"z\"=\"1\"\r\n\r\n",
         RestoreFiles::Refusal::NotImportable, 1, 2},
        {"REG_SZ of three bytes", user + L"Alpha]\r\n\"s\"=hex(1):41,00,42\r\n\r\n", RestoreFiles::Refusal::NotImportable,
         1, 1},
        {"REG_MULTI_SZ of five bytes over two lines", user + L"Alpha]\r\n\"m\"=hex(7):41,00,\\\r\n  00,00,00\r\n\r\n",
         RestoreFiles::Refusal::NotImportable, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CleanVelmora clean;
        const std::string bytes = Utf16File(Head + c.body);
        WriteFileBytes(paths.restore, bytes);
        const std::vector<RestoreFiles::File> listed = RestoreFiles::List(folder.path());
        ASSERT_EQ(listed.size(), 1u);
        EXPECT_EQ(listed[0].refusal, c.refusal) << "as the list shows it";
        EXPECT_EQ(listed[0].held.keys, c.keys);
        EXPECT_EQ(listed[0].held.values, c.values);
        const RegFile::Content content = RegFile::Read(bytes);
        ASSERT_EQ(RestoreFiles::Check(true, content), c.refusal);
        if (c.refusal != RestoreFiles::Refusal::None) continue;
        ASSERT_TRUE(ImportFile(paths.restore));
        EXPECT_TRUE(RestoreCheck::InRegistry(content)) << "everything is back";
        // Every key of the file is checked: with the last one gone, the
        // check fails.
        const std::wstring last = content.keys.back().name;
        ASSERT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, last.substr(last.find(L'\\') + 1).c_str()), ERROR_SUCCESS);
        EXPECT_FALSE(RestoreCheck::InRegistry(content));
    }
    EXPECT_STREQ(RestoreFiles::Reason(RestoreFiles::Refusal::NotImportable),
                 L"enth\u00e4lt Werte, die der Registrierungseditor nicht importieren kann");
}

TEST_F(RestoreFilesFixture, MenuCommandFollowsAnyRestoreFileAndTheButtonUninstallRegAlone)
{
    Load();
    // The folder's write time as the change leaves it: moved on, or put back
    // to the time of the last look, as a change within the same moment
    // leaves it. Put back, the tick answers from what it learnt where that
    // time lay long enough back, and looks again where it did not.
    enum class Stamp { Moved, BackToSettled, BackToRecent };
    const struct {
        const char* what;
        const wchar_t* file;
        Stamp stamp;
        bool command, button;
    } cases[] = {
        {"no file", nullptr, Stamp::Moved, false, false},
        {"a temporary export only", L"Uninstall_1.reg", Stamp::Moved, false, false},
        {"a kept file only", L"Uninstall 2026-12-07 09-05-03.reg", Stamp::Moved, true, false},
        {"a kept file within the moment of a recent look", L"Uninstall 2026-12-07 09-05-03.reg", Stamp::BackToRecent,
         true, false},
        {"Uninstall.reg", L"Uninstall.reg", Stamp::Moved, true, true},
        {"Uninstall.reg behind a settled time", L"Uninstall.reg", Stamp::BackToSettled, true, true},
        {"Uninstall.reg within the moment of a recent look", L"Uninstall.reg", Stamp::BackToRecent, true, true},
        {"no file again: both go grey", nullptr, Stamp::Moved, false, false},
        {"a folder named Uninstall.reg", L"Uninstall.reg\\", Stamp::Moved, false, false},
        {"a folder named as a kept file", L"Uninstall 2026-12-07 09-05-03.reg\\", Stamp::Moved, false, false},
    };
    const auto folderTime = [this] {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        EXPECT_TRUE(GetFileAttributesExW(folder.path().c_str(), GetFileExInfoStandard, &data));
        return data.ftLastWriteTime;
    };
    const auto stamp = [this](const FILETIME& at) {
        FileHandle handle(CreateFileW(folder.path().c_str(), FILE_WRITE_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        return handle && SetFileTime(handle.get(), nullptr, nullptr, &at);
    };
    const auto secondsAgo = [](ULONGLONG seconds) {
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        ULARGE_INTEGER t{{now.dwLowDateTime, now.dwHighDateTime}};
        t.QuadPart -= seconds * 10'000'000;
        return FILETIME{t.LowPart, t.HighPart};
    };
    const auto shown = [this] { return std::make_pair(CommandEnabled(), root->bRestored.enabled()); };
    // The timer reads the folder again only when its write time moved: the
    // folder is made to look settled, an hour old, before each change and
    // again after it, so that every answer must come from that time.
    const auto settle = [&] {
        ASSERT_TRUE(stamp(secondsAgo(3600)));
        root->Timer1_Timer();
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        settle();
        if (c.stamp == Stamp::BackToRecent) {
            // A look at a time of this very moment: not yet to be trusted.
            ASSERT_TRUE(stamp(secondsAgo(0)));
            root->Timer1_Timer();
        }
        const std::pair<bool, bool> before = shown();
        const FILETIME looked = folderTime();
        // A name ending in a backslash is made a folder.
        const std::wstring name = c.file ? c.file : L"";
        const bool isFolder = !name.empty() && name.back() == L'\\';
        const std::wstring path = folder.file(isFolder ? name.substr(0, name.size() - 1) : name);
        if (isFolder) ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
        else if (c.file) WriteFileBytes(path, "x");
        if (c.stamp != Stamp::Moved) ASSERT_TRUE(stamp(looked));
        root->Timer1_Timer();
        const std::pair<bool, bool> now{c.command, c.button};
        if (c.stamp != Stamp::Moved) ASSERT_NE(before, now) << "a change that the last look's answer hides";
        EXPECT_EQ(shown(), c.stamp == Stamp::BackToSettled ? before : now);
        settle();
        EXPECT_EQ(shown(), now) << "settled";
        if (isFolder) ASSERT_TRUE(RemoveDirectoryW(path.c_str()));
        else if (c.file) ASSERT_TRUE(DeleteFileW(path.c_str()));
    }
}
