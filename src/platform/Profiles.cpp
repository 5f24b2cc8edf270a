#include "platform/Profiles.h"

#include "platform/KeyName.h"
#include "platform/Registry.h"

#include <cstddef>
#include <cwctype>

namespace Profiles {

bool IsUserSid(const std::wstring& sid)
{
    constexpr std::wstring_view prefix = L"S-1-5-21-";
    if (sid.size() <= prefix.size() || sid.compare(0, prefix.size(), prefix) != 0) return false;
    // Windows keeps a damaged profile's entry as "<SID>.bak" beside a new one;
    // that is no SID, and its hive is no register to work on.
    for (std::size_t i = prefix.size(); i < sid.size(); ++i)
        if (!std::iswdigit(sid[i]) && sid[i] != L'-') return false;
    return sid.back() != L'-';
}

namespace {

std::wstring ImagePath(const std::wstring& sid)
{
    const std::wstring key = std::wstring(ProfileListKey) + L"\\" + sid;
    DWORD bytes = 0;
    // Asked for REG_SZ, RegGetValueW also takes REG_EXPAND_SZ (%SystemDrive%\Users\...)
    // and expands it; asking for REG_EXPAND_SZ without RRF_NOEXPAND is refused.
    constexpr DWORD kinds = RRF_RT_REG_SZ;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"ProfileImagePath", kinds, nullptr, nullptr, &bytes) !=
        ERROR_SUCCESS)
        return {};
    std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"ProfileImagePath", kinds, nullptr, text.data(), &bytes) !=
        ERROR_SUCCESS)
        return {};
    text.resize(text.find(L'\0') == std::wstring::npos ? text.size() : text.find(L'\0'));
    while (!text.empty() && text.back() == L'\\') text.pop_back();
    return text;
}

std::wstring LastLevel(const std::wstring& folder)
{
    const std::size_t cut = folder.find_last_of(L"\\/");
    return cut == std::wstring::npos ? folder : folder.substr(cut + 1);
}

} // namespace

std::vector<Profile> UserProfiles()
{
    std::vector<std::wstring> sids;
    (void)Registry::RegEnumKeys(HKEY_LOCAL_MACHINE, ProfileListKey, Registry::AccessRead, sids);
    std::vector<Profile> profiles;
    for (const std::wstring& sid : sids) {
        if (!IsUserSid(sid)) continue;
        Profile profile{sid, ImagePath(sid), {}};
        profile.name = LastLevel(profile.folder);
        profiles.push_back(std::move(profile));
    }
    return profiles;
}

bool Find(const std::wstring& sid, Profile& profile)
{
    for (Profile& each : UserProfiles())
        if (KeyName::Same(each.sid, sid)) {
            profile = std::move(each);
            return true;
        }
    return false;
}

bool HiveLoaded(const std::wstring& sid)
{
    return !sid.empty() && Registry::RegKeyPresence(HKEY_USERS, sid) != Registry::Presence::Absent;
}

Privileges::Privileges(std::initializer_list<const wchar_t*> names)
{
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token_.put())) return;
    const std::size_t bytes = offsetof(TOKEN_PRIVILEGES, Privileges) + names.size() * sizeof(LUID_AND_ATTRIBUTES);
    std::vector<unsigned char> wanted(bytes);
    auto* list = reinterpret_cast<TOKEN_PRIVILEGES*>(wanted.data());
    for (const wchar_t* name : names) {
        LUID_AND_ATTRIBUTES& entry = list->Privileges[list->PrivilegeCount];
        if (!LookupPrivilegeValueW(nullptr, name, &entry.Luid)) return;
        entry.Attributes = SE_PRIVILEGE_ENABLED;
        ++list->PrivilegeCount;
    }
    previous_.resize(bytes);
    DWORD returned = 0;
    if (!AdjustTokenPrivileges(token_.get(), FALSE, list, static_cast<DWORD>(bytes),
                               reinterpret_cast<TOKEN_PRIVILEGES*>(previous_.data()), &returned)) {
        previous_.clear();
        return;
    }
    // Success with ERROR_NOT_ALL_ASSIGNED means the account does not hold one of them.
    held_ = GetLastError() == ERROR_SUCCESS;
}

Privileges::~Privileges()
{
    if (previous_.empty()) return;
    // Only the privileges that changed are in the previous state; putting them
    // back cannot fail in a way a destructor could act on.
    (void)AdjustTokenPrivileges(token_.get(), FALSE, reinterpret_cast<TOKEN_PRIVILEGES*>(previous_.data()), 0,
                                nullptr, nullptr);
}

Hive::Hive(const Profile& profile) : sid_(profile.sid)
{
    if (HiveLoaded(sid_)) return;
    if (profile.folder.empty()) {
        why_ = Unreachable::HiveMissing;
        code_ = ERROR_PATH_NOT_FOUND;
        return;
    }
    const std::wstring file = profile.folder + L"\\NTUSER.DAT";
    LONG result = ERROR_PRIVILEGE_NOT_HELD;
    {
        const Privileges rights({SE_BACKUP_NAME, SE_RESTORE_NAME});
        if (rights.held()) result = RegLoadKeyW(HKEY_USERS, sid_.c_str(), file.c_str());
    }
    code_ = static_cast<DWORD>(result);
    if (result != ERROR_SUCCESS && HiveLoaded(sid_)) {
        // Wine leaves an empty key under the SID when a file is no hive; it
        // must not pass for the person's register, now or in a later run.
        LONG gone = ERROR_PRIVILEGE_NOT_HELD;
        {
            const Privileges rights({SE_BACKUP_NAME, SE_RESTORE_NAME});
            if (rights.held()) gone = RegUnLoadKeyW(HKEY_USERS, sid_.c_str());
        }
        if (gone != ERROR_SUCCESS) (void)RegDeleteKeyW(HKEY_USERS, sid_.c_str()); // last resort; HiveLoaded tells the rest
    }
    switch (result) {
    case ERROR_SUCCESS: loaded_ = true; break;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: why_ = Unreachable::HiveHeld; break;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: why_ = Unreachable::HiveMissing; break;
    default: why_ = Unreachable::LoadFailed; break;
    }
}

bool Hive::unload()
{
    if (!loaded_) return true;
    LONG result = ERROR_PRIVILEGE_NOT_HELD;
    {
        const Privileges rights({SE_BACKUP_NAME, SE_RESTORE_NAME});
        if (rights.held()) result = RegUnLoadKeyW(HKEY_USERS, sid_.c_str());
    }
    if (result != ERROR_SUCCESS) {
        why_ = Unreachable::UnloadFailed;
        code_ = static_cast<DWORD>(result);
        return false;
    }
    loaded_ = false;
    return true;
}

Hive::~Hive()
{
    // A caller that must report a failed unload calls unload() itself; here
    // there is nobody left to tell.
    (void)unload();
}

std::wstring Reason(Unreachable why, DWORD code)
{
    const std::wstring number = std::to_wstring(code);
    switch (why) {
    case Unreachable::None: return {};
    case Unreachable::HiveHeld:
        return L"NTUSER.DAT wird von einem anderen Prozess gehalten (Fehler " + number + L")";
    case Unreachable::HiveMissing: return L"NTUSER.DAT fehlt im Profilordner";
    case Unreachable::LoadFailed: return L"NTUSER.DAT konnte nicht geladen werden (Fehler " + number + L")";
    case Unreachable::UnloadFailed:
        return L"das Benutzerregister konnte nicht wieder entladen werden (Fehler " + number + L")";
    }
    return {};
}

} // namespace Profiles
