#include "platform/Registry.h"

#include "platform/Handles.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace Registry {

namespace {

// A registry key name holds up to 255 characters; the platform counts the
// terminating NUL in the buffer size.
constexpr DWORD MaxKeyNameChars = 255 + 1;

// Most product values (folders, version texts) fit here, which spares the
// second query that asks for the data after its size is known.
constexpr DWORD FirstBufferBytes = 1024;

std::wstring TextOf(const BYTE* data, DWORD bytes)
{
    std::wstring text(bytes / sizeof(wchar_t), L'\0');
    if (!text.empty()) std::memcpy(text.data(), data, text.size() * sizeof(wchar_t));
    // Stored strings normally carry their NUL; one written without it still
    // gets one, so that a reader can always cut the text at the first NUL.
    if (text.empty() || text.back() != L'\0') text.push_back(L'\0');
    text.push_back(L' ');
    return text;
}

std::wstring NumberOf(const BYTE* data, DWORD bytes)
{
    uint32_t n = 0;
    for (DWORD i = 0; i < bytes; ++i) n |= uint32_t(data[i]) << (8 * i);
    return std::to_wstring(static_cast<int32_t>(n));
}

// The key's own name, as the kernel's key query hands it out (the layout of
// KEY_BASIC_INFORMATION); ntdll exports the query on every NT system.
struct KeyBasicInformation {
    LARGE_INTEGER lastWriteTime;
    ULONG titleIndex;
    ULONG nameBytes;
    WCHAR name[MaxKeyNameChars];
};
using NtQueryKeyFunction = LONG(NTAPI*)(HANDLE, int, void*, ULONG, ULONG*);

} // namespace

int RegEnumKeys(HKEY hRoot, const std::wstring& sSubKey, REGSAM lAccess,
                std::vector<std::wstring>& sNames)
{
    KeyHandle key;
    if (RegOpenKeyExW(hRoot, sSubKey.c_str(), 0, lAccess, key.put()) != ERROR_SUCCESS)
        return 0;

    // The key says how long its longest subkey name is; Wine stores names
    // longer than the 255 characters Windows allows.
    DWORD longest = 0;
    if (RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, &longest, nullptr, nullptr,
                         nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        longest = 0;
    std::vector<wchar_t> name(std::max<DWORD>(longest + 1, MaxKeyNameChars));
    int count = 0;
    LSTATUS status;
    for (DWORD i = 0;; ++i) {
        DWORD size = DWORD(name.size());
        status = RegEnumKeyExW(key.get(), i, name.data(), &size, nullptr, nullptr, nullptr, nullptr);
        // A name longer still (added since the query) is left out; the
        // other products are listed all the same.
        if (status == ERROR_MORE_DATA) continue;
        if (status != ERROR_SUCCESS) break;
        sNames.emplace_back(name.data(), size);
        ++count;
    }
    return status == ERROR_NO_MORE_ITEMS ? count : 0;
}

bool RegKeyExists(HKEY hRoot, const std::wstring& sSubKey)
{
    KeyHandle key;
    return RegOpenKeyExW(hRoot, sSubKey.c_str(), 0, AccessRead, key.put()) == ERROR_SUCCESS;
}

Presence RegKeyPresence(HKEY hRoot, const std::wstring& sSubKey)
{
    KeyHandle key;
    switch (RegOpenKeyExW(hRoot, sSubKey.c_str(), 0, AccessRead, key.put())) {
    case ERROR_SUCCESS: return Presence::Readable;
    case ERROR_FILE_NOT_FOUND: return Presence::Absent;
    default: return Presence::Refused;
    }
}

bool RegKeyDelete(HKEY hRoot, const std::wstring& sSubKey)
{
    return RegDeleteKeyW(hRoot, sSubKey.c_str()) == ERROR_SUCCESS;
}

bool RegStoredName(HKEY hRoot, const std::wstring& sSubKey, std::wstring& sName)
{
    const KeyHandle key = RegOpenForReading(hRoot, sSubKey);
    if (!key) return false;
    static const auto query = reinterpret_cast<NtQueryKeyFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryKey")));
    KeyBasicInformation info{};
    ULONG got = 0;
    constexpr int KeyBasicInformationClass = 0;
    if (query && query(key.get(), KeyBasicInformationClass, &info, sizeof info, &got) >= 0
        && info.nameBytes > 0 && info.nameBytes <= sizeof info.name) {
        sName.assign(info.name, info.nameBytes / sizeof(WCHAR));
        return true;
    }
    // Without the query the name as asked for is all there is; the key
    // then keeps that spelling if it is ever written back.
    const size_t slash = sSubKey.find_last_of(L'\\');
    sName = slash == std::wstring::npos ? sSubKey : sSubKey.substr(slash + 1);
    return true;
}

bool RegReadValue(HKEY hRoot, const std::wstring& sSubKey,
                  const std::wstring& sValueName, std::wstring& vValue)
{
    const KeyHandle key = RegOpenForReading(hRoot, sSubKey);
    return RegReadValue(key.get(), sValueName, vValue);
}

KeyHandle RegOpenForReading(HKEY hRoot, const std::wstring& sSubKey)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(hRoot, sSubKey.c_str(), 0, AccessRead, &key) != ERROR_SUCCESS) return {};
    return KeyHandle(key);
}

bool RegReadValue(HKEY hKey, const std::wstring& sValueName, std::wstring& vValue)
{
    if (!hKey) return false;

    BYTE first[FirstBufferBytes];
    std::vector<BYTE> more;
    BYTE* data = first;
    DWORD type = 0;
    DWORD size = sizeof first;
    LSTATUS status = RegQueryValueExW(hKey, sValueName.c_str(), nullptr, &type, data, &size);
    // A larger value is asked for again with a buffer of the size the
    // platform reported; it may grow in between, hence the loop.
    while (status == ERROR_MORE_DATA && (type == REG_SZ || type == REG_EXPAND_SZ)) {
        more.resize(size);
        data = more.data();
        status = RegQueryValueExW(hKey, sValueName.c_str(), nullptr, &type, data, &size);
    }

    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        if (status != ERROR_SUCCESS) return false;
        vValue = TextOf(data, size);
        return true;
    case REG_BINARY:
    case REG_DWORD:
        // Read as one 32-bit number: longer data does not fit it.
        if (status != ERROR_SUCCESS || size > 4) return false;
        vValue = NumberOf(data, size);
        return true;
    default:
        // Other types are read without being taken over, whatever their size.
        return status == ERROR_SUCCESS || status == ERROR_MORE_DATA;
    }
}

} // namespace Registry
