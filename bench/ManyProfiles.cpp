#include "ManyProfiles.h"

#include "platform/Handles.h"
#include "platform/Profiles.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace bench {

namespace {

constexpr wchar_t Scratch[] = L"Software\\Tessarine Bench Profile";

// Apart from the test suite's people, so that neither ever meets the other's.
std::wstring Sid(int i) { return L"S-1-5-21-4000-5000-6000-" + std::to_wstring(2001 + i); }
std::wstring Entry(int i) { return std::wstring(Profiles::ProfileListKey) + L"\\" + Sid(i); }
std::wstring FolderOf(const std::wstring& folder, int i)
{
    wchar_t name[32];
    std::swprintf(name, 32, L"\\Person %03d", i);
    return folder + name;
}

bool SetString(HKEY key, const wchar_t* name, const std::wstring& text, DWORD type = REG_SZ)
{
    return RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

int Fail(const std::string& why)
{
    std::printf("error %s\n", why.c_str());
    (void)RegDeleteTreeW(HKEY_CURRENT_USER, Scratch); // the scratch key may not have been made
    return 1;
}

} // namespace

int MakeProfiles(const std::wstring& folder, int count, int products)
{
    if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return Fail("cannot make the profiles folder");
    (void)RegDeleteTreeW(HKEY_CURRENT_USER, Scratch); // a run broken off may have left it
    for (int i = 0; i < count; ++i) {
        const std::wstring own = FolderOf(folder, i), hive = own + L"\\NTUSER.DAT";
        if (!CreateDirectoryW(own.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            return Fail("cannot make a profile folder");
        // RegSaveKeyW writes no file that is there already.
        (void)DeleteFileW(hive.c_str());
        for (int p = 0; p < products; ++p) {
            wchar_t product[32];
            std::swprintf(product, 32, L"Produkt %02d", p);
            KeyHandle key;
            if (RegCreateKeyExW(HKEY_CURRENT_USER, (std::wstring(Scratch) + L"\\Software\\Velmora\\" + product).c_str(),
                                0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr) != ERROR_SUCCESS ||
                !SetString(key.get(), L"InstallDir", own + L"\\Programme\\" + product) ||
                !SetString(key.get(), L"Version", L"2.0"))
                return Fail("cannot seed the scratch key");
        }
        KeyHandle top;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, Scratch, 0, KEY_READ, top.put()) != ERROR_SUCCESS)
            return Fail("cannot open the scratch key");
        LSTATUS saved;
        {
            const Profiles::Privileges rights({SE_BACKUP_NAME});
            saved = RegSaveKeyW(top.get(), hive.c_str(), nullptr);
        }
        top.reset();
        if (saved != ERROR_SUCCESS) return Fail("RegSaveKeyW answered " + std::to_string(saved));
        if (RegDeleteTreeW(HKEY_CURRENT_USER, Scratch) != ERROR_SUCCESS) return Fail("cannot empty the scratch key");
        KeyHandle entry;
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, Entry(i).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, entry.put(),
                            nullptr) != ERROR_SUCCESS ||
            !SetString(entry.get(), L"ProfileImagePath", own, REG_EXPAND_SZ))
            return Fail("cannot write the ProfileList entry");
    }
    (void)RegDeleteKeyW(HKEY_CURRENT_USER, Scratch); // emptied above; a leftover is harmless
    std::printf("profiles %d\n", count);
    return 0;
}

int RemoveProfiles(const std::wstring& folder, int count)
{
    int loaded = 0;
    for (int i = 0; i < count; ++i) {
        if (Profiles::HiveLoaded(Sid(i))) {
            ++loaded;
            const Profiles::Privileges rights({SE_BACKUP_NAME, SE_RESTORE_NAME});
            (void)RegUnLoadKeyW(HKEY_USERS, Sid(i).c_str()); // counted above; the next run must find it free
        }
        (void)RegDeleteTreeW(HKEY_LOCAL_MACHINE, Entry(i).c_str()); // a run broken off may not have made it
        (void)RegDeleteKeyW(HKEY_LOCAL_MACHINE, Entry(i).c_str());
        const std::wstring own = FolderOf(folder, i);
        for (const wchar_t* file : {L"\\NTUSER.DAT", L"\\NTUSER.DAT.LOG", L"\\NTUSER.DAT.LOG1", L"\\NTUSER.DAT.LOG2"})
            (void)DeleteFileW((own + file).c_str()); // only the hive itself is sure to be there
        (void)RemoveDirectoryW(own.c_str()); // the script takes the folder away whole after
    }
    (void)RemoveDirectoryW(folder.c_str());
    std::printf("left_loaded %d\n", loaded);
    return 0;
}

} // namespace bench
