#include "catalogue/ProductRow.h"

namespace ProductRow {

std::wstring KeyPath(const std::wstring& name, const wchar_t* productRoot)
{
    return std::wstring(productRoot) + L"\\" + name;
}

const wchar_t* RootName(HKEY root)
{
    return root == HKEY_LOCAL_MACHINE ? MainRootName : root == HKEY_USERS ? UsersRootName : UserRootName;
}

std::wstring Make(const std::wstring& name, const std::wstring& root,
                  const std::wstring& installDir, const std::wstring& version)
{
    return name + L'\t' + root + L'\t' + installDir + L'\t' + version;
}

std::wstring BeforeNul(const std::wstring& value)
{
    const auto nul = value.find(L'\0');
    return nul == std::wstring::npos ? std::wstring() : value.substr(0, nul);
}

} // namespace ProductRow
