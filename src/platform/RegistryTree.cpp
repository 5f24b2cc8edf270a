// A product's subtree as a whole: read with every value, and deleted exactly
// as read.
#include "platform/Registry.h"

namespace Registry {

namespace {

struct KeyInfo {
    DWORD subkeys = 0, longestSubkey = 0, values = 0, longestValueName = 0, longestData = 0;
    FILETIME lastWrite{};
};

bool QueryInfo(HKEY key, KeyInfo& info)
{
    return RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &info.subkeys, &info.longestSubkey, nullptr,
                            &info.values, &info.longestValueName, &info.longestData, nullptr, &info.lastWrite)
        == ERROR_SUCCESS;
}

// Every value of an open key; buffers as large as the key says its longest
// name and data are, so that each value takes one call.
bool ReadValues(HKEY key, const KeyInfo& info, std::vector<ValueData>& values)
{
    std::wstring name(size_t(info.longestValueName) + 1, L'\0');
    std::string data(size_t(info.longestData), '\0');
    values.reserve(info.values);
    for (DWORD i = 0; i < info.values; ++i) {
        DWORD nameChars = DWORD(name.size()), bytes = DWORD(data.size()), type = REG_NONE;
        // A value that grew or went meanwhile fails the read.
        if (RegEnumValueW(key, i, name.data(), &nameChars, nullptr, &type,
                          reinterpret_cast<BYTE*>(data.data()), &bytes) != ERROR_SUCCESS)
            return false;
        values.push_back({std::wstring(name.data(), nameChars), type, std::string(data.data(), bytes)});
    }
    return true;
}

bool ReadKey(HKEY parent, const std::wstring& name, const std::wstring& path, bool withValues,
             std::vector<KeyContent>& keys, std::optional<std::wstring>* refused)
{
    KeyHandle key;
    const LSTATUS opened = RegOpenKeyExW(parent, name.c_str(), 0, AccessRead, key.put());
    if (opened != ERROR_SUCCESS) {
        // A key gone meanwhile is a change, not a refusal.
        if (refused && opened != ERROR_FILE_NOT_FOUND) *refused = path;
        return false;
    }
    KeyInfo info;
    if (!QueryInfo(key.get(), info)) return false;
    KeyContent content{path, {}, info.subkeys, info.lastWrite, info.values};
    if (withValues && !ReadValues(key.get(), info, content.values)) return false;
    keys.push_back(std::move(content));

    // As many names as the key said it has; one added meanwhile shows in its
    // subkey count when the tree is deleted.
    std::vector<std::wstring> children;
    children.reserve(info.subkeys);
    std::wstring child(size_t(info.longestSubkey) + 1, L'\0');
    for (DWORD i = 0; i < info.subkeys; ++i) {
        DWORD chars = DWORD(child.size());
        if (RegEnumKeyExW(key.get(), i, child.data(), &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return false;
        children.emplace_back(child.data(), chars);
    }
    for (const auto& c : children)
        if (!ReadKey(key.get(), c, path.empty() ? c : path + L"\\" + c, withValues, keys, refused)) return false;
    return true;
}

} // namespace

bool RegTreeRead(HKEY hRoot, const std::wstring& sSubKey, std::vector<KeyContent>& sKeys, bool withValues,
                 std::optional<std::wstring>* refused)
{
    if (refused) refused->reset();
    // An empty path would name the root itself.
    if (sSubKey.empty()) return false;
    std::vector<KeyContent> keys;
    if (!ReadKey(hRoot, sSubKey, L"", withValues, keys, refused)) return false;
    sKeys = std::move(keys);
    return true;
}

TreeDeletion RegTreeDeleteAsRead(HKEY hRoot, const std::wstring& sSubKey, const std::vector<KeyContent>& sKeys)
{
    if (sSubKey.empty() || sKeys.empty()) return TreeDeletion::Failed;
    auto path = [&](const KeyContent& k) { return k.path.empty() ? sSubKey : sSubKey + L"\\" + k.path; };
    // A value written since shows in its key's last write time, a key or
    // value added or gone in the counts. Each key stays open from here to its
    // deletion: a key deleted or replaced meanwhile no longer answers
    // through its handle.
    std::vector<KeyHandle> held;
    held.reserve(sKeys.size());
    for (const auto& k : sKeys) {
        KeyInfo now;
        KeyHandle key = RegOpenForReading(hRoot, path(k));
        if (!key || !QueryInfo(key.get(), now) || now.values != k.values.size() || now.subkeys != k.subkeys
            || CompareFileTime(&now.lastWrite, &k.lastWrite) != 0)
            return TreeDeletion::Changed;
        held.push_back(std::move(key));
    }
    // Each key comes after its parent, so backwards every key goes after
    // its subkeys. Deleting a subkey touches its parent's write time; the
    // counts still hold it to what was read.
    for (size_t i = sKeys.size(); i-- > 0;) {
        const KeyContent& k = sKeys[i];
        KeyInfo now;
        if (!QueryInfo(held[i].get(), now) || now.values != k.values.size() || now.subkeys != 0)
            return TreeDeletion::Changed;
        if (RegDeleteKeyW(hRoot, path(k).c_str()) != ERROR_SUCCESS) return TreeDeletion::Failed;
        held[i].reset();
    }
    return TreeDeletion::Deleted;
}

} // namespace Registry
