#include "Listings.h"

#include "catalogue/ProductRow.h"
#include "platform/Handles.h"
#include "platform/Registry.h"

#include <string>
#include <vector>

namespace bench {

int PlainListing(HKEY root)
{
    KeyHandle products;
    if (RegOpenKeyExW(root, ProductRow::ProductRoot, 0, KEY_ALL_ACCESS, products.put()) != ERROR_SUCCESS) return 0;
    int listed = 0;
    std::vector<BYTE> data;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD chars = DWORD(std::size(name));
        if (RegEnumKeyExW(products.get(), i, name, &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        const std::wstring path = ProductRow::KeyPath(name);
        for (const wchar_t* value : {L"InstallDir", L"Version"}) {
            HKEY product = nullptr;
            if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &product) != ERROR_SUCCESS) continue;
            DWORD type = 0, bytes = 0;
            if (RegQueryValueExW(product, value, nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS) {
                data.resize(bytes + sizeof(wchar_t));
                (void)RegQueryValueExW(product, value, nullptr, &type, data.data(), &bytes);
            }
            // Closed by hand so that the pattern is visible call by call.
            RegCloseKey(product);
        }
        ++listed;
    }
    return listed;
}

int OneOpenListing(HKEY root)
{
    KeyHandle products;
    if (RegOpenKeyExW(root, ProductRow::ProductRoot, 0, KEY_READ, products.put()) != ERROR_SUCCESS) return 0;
    int listed = 0;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD chars = DWORD(std::size(name));
        if (RegEnumKeyExW(products.get(), i, name, &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        KeyHandle product;
        if (RegOpenKeyExW(products.get(), name, 0, KEY_READ, product.put()) == ERROR_SUCCESS) {
            for (const wchar_t* value : {L"InstallDir", L"Version"}) {
                BYTE data[1024];
                DWORD type = 0, bytes = sizeof data;
                (void)RegQueryValueExW(product.get(), value, nullptr, &type, data, &bytes);
            }
        }
        ++listed;
    }
    return listed;
}

int ProductReads(HKEY root)
{
    std::vector<std::wstring> names;
    const int count = Registry::RegEnumKeys(root, ProductRow::ProductRoot, Registry::AccessAll, names);
    for (int i = 0; i < count; ++i) {
        const KeyHandle product = Registry::RegOpenForReading(root, ProductRow::KeyPath(names[size_t(i)]));
        std::wstring installDir, version;
        (void)Registry::RegReadValue(product.get(), L"InstallDir", installDir);
        (void)Registry::RegReadValue(product.get(), L"Version", version);
    }
    return count;
}

} // namespace bench
