#include "removal/RestoreCheck.h"

#include "catalogue/ProductRow.h"
#include "platform/Handles.h"
#include "platform/KeyName.h"

#include <string_view>
#include <vector>

namespace RestoreCheck {

namespace {

std::vector<std::wstring_view> Levels(std::wstring_view name)
{
    std::vector<std::wstring_view> levels;
    for (size_t at = 0;;) {
        const size_t slash = name.find(L'\\', at);
        levels.push_back(name.substr(at, slash == std::wstring_view::npos ? slash : slash - at));
        if (slash == std::wstring_view::npos) return levels;
        at = slash + 1;
    }
}

// The root a file's key name begins with, and the path below it; no root
// for any other than the two registers.
HKEY RootOf(const std::wstring& name, std::wstring& path)
{
    const size_t slash = name.find(L'\\');
    const std::wstring_view root = std::wstring_view(name).substr(0, slash);
    path = slash == std::wstring::npos ? std::wstring() : name.substr(slash + 1);
    if (KeyName::Same(root, ProductRow::MainRootName)) return HKEY_LOCAL_MACHINE;
    if (KeyName::Same(root, ProductRow::UserRootName)) return HKEY_CURRENT_USER;
    return nullptr;
}

bool AtOrBelowAProduct(const std::wstring& name)
{
    std::wstring label, product;
    if (!ProductOf(name, label, product)) return false;
    // No level below the product may be empty either.
    for (const auto& level : Levels(name))
        if (level.empty()) return false;
    return true;
}

bool ValueThere(HKEY key, const std::wstring& name, const RegFile::Value& v)
{
    // Room for more than the file holds, so that longer data shows as such.
    std::string data(v.data.size() + 4, '\0');
    DWORD type = REG_NONE, bytes = DWORD(data.size());
    if (RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &bytes)
        != ERROR_SUCCESS)
        return false;
    data.resize(bytes);
    return type == v.type && RegFile::SameData(type, v.data, data);
}

} // namespace

bool ProductOf(const std::wstring& keyName, std::wstring& registerLabel, std::wstring& product)
{
    // The labels the removal's messages give the three places.
    struct Place {
        const wchar_t* root;
        const wchar_t* productRoot;
        const wchar_t* label;
    };
    static constexpr Place Places[] = {
        {ProductRow::MainRootName, ProductRow::ProductRoot, ProductRow::MainLabel},
        {ProductRow::MainRootName, ProductRow::ProductRoot32, ProductRow::Main32Label},
        {ProductRow::UserRootName, ProductRow::ProductRoot, ProductRow::UserLabel},
    };
    for (const Place& place : Places) {
        const std::wstring prefix = std::wstring(place.root) + L"\\" + place.productRoot + L"\\";
        if (keyName.size() <= prefix.size() || !KeyName::Same(std::wstring_view(keyName).substr(0, prefix.size()), prefix))
            continue;
        const size_t end = keyName.find(L'\\', prefix.size());
        product = keyName.substr(prefix.size(), end == std::wstring::npos ? end : end - prefix.size());
        registerLabel = place.label;
        return !product.empty();
    }
    return false;
}

bool OnlyProductKeys(const RegFile::Content& file)
{
    RegFile::WrittenKeys keys;
    if (!RegFile::Written(file, keys) || keys.empty()) return false;
    for (const auto& key : file.keys)
        if (!AtOrBelowAProduct(key.name)) return false;
    return true;
}

bool InRegistry(const RegFile::Content& file)
{
    RegFile::WrittenKeys keys;
    if (!RegFile::Written(file, keys) || keys.empty()) return false;
    for (const auto& [folded, written] : keys) {
        std::wstring path;
        const HKEY root = RootOf(written.name, path);
        KeyHandle key;
        if (!root || path.empty() || RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
            return false;
        for (const auto& [foldedValue, v] : written.values)
            if (!ValueThere(key.get(), v->name, *v)) return false;
    }
    return true;
}

} // namespace RestoreCheck
