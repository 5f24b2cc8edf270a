#include "removal/RestoreCheck.h"

#include "catalogue/ProductRow.h"
#include "platform/Handles.h"

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
    const std::wstring root = RegFile::Folded(std::wstring_view(name).substr(0, slash));
    path = slash == std::wstring::npos ? std::wstring() : name.substr(slash + 1);
    if (root == ProductRow::MainRootName) return HKEY_LOCAL_MACHINE;
    if (root == ProductRow::UserRootName) return HKEY_CURRENT_USER;
    return nullptr;
}

bool AtOrBelowAProduct(const std::wstring& name)
{
    std::wstring path;
    const HKEY root = RootOf(name, path);
    if (!root) return false;
    // A removal takes keys from the main register's two views, but the user
    // register's Software is one for both: no 32-bit path there.
    for (const wchar_t* productRoot : {ProductRow::ProductRoot, ProductRow::ProductRoot32}) {
        if (productRoot == ProductRow::ProductRoot32 && root != HKEY_LOCAL_MACHINE) continue;
        const std::wstring prefix = std::wstring(productRoot) + L"\\";
        if (path.size() <= prefix.size() || RegFile::Folded(path.substr(0, prefix.size())) != RegFile::Folded(prefix))
            continue;
        for (const auto& level : Levels(std::wstring_view(path).substr(prefix.size())))
            if (level.empty()) return false;
        return true;
    }
    return false;
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
