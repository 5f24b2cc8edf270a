// The product listing: one product row per product key below a root.
#include "app/Root.h"

#include "catalogue/ProductRow.h"
#include "platform/ListComboFind.h"
#include "platform/Registry.h"
#include "platform/Wartezeit.h"

#include <vector>

namespace {

std::wstring ValueOr(HKEY root, const std::wstring& keyPath, const wchar_t* valueName,
                     const wchar_t* fallback)
{
    std::wstring value;
    if (!Registry::RegReadValue(root, keyPath, valueName, value)) return fallback;
    return ProductRow::BeforeNul(value);
}

} // namespace

bool Root::GetProgramme(HKEY lhTyp, const std::wstring& lhKey)
{
    SetMousePointer(PointerHourglass);
    bEntfernen.enable(false);
    LProdukte.enable(false);

    std::vector<std::wstring> names;
    const int count = Registry::RegEnumKeys(lhTyp, lhKey, Registry::AccessAll, names);
    Wartezeit::DoEvents();

    const bool mainRegister = lhTyp == HKEY_LOCAL_MACHINE;
    for (int i = 0; i < count; ++i) {
        const std::wstring& name = names[size_t(i)];
        // The values always come from the product key below the fixed
        // product root, whatever lhKey named.
        const std::wstring keyPath = ProductRow::KeyPath(name);
        const std::wstring installDir = ValueOr(lhTyp, keyPath, L"InstallDir", ProductRow::NoInstallDir);
        const std::wstring version = ValueOr(lhTyp, keyPath, L"Version", ProductRow::NoVersion);
        if (name.empty()) continue;
        // A user-register product that the main register listed already
        // keeps the main register's row.
        if (!mainRegister && ListComboFind::ListFind(LTemp.hwnd, name, -1, 0, -1) != LB_ERR)
            continue;
        // The name goes to the position the sorted list gave the row, so
        // that entry k of both lists is the same product whatever the
        // platform's collation makes of the tab after the name.
        const int at = LProdukte.add(ProductRow::Make(name, ProductRow::RootName(lhTyp), installDir, version));
        if (at >= 0) LTemp.insert(at, name);
    }

    SetMousePointer(PointerDefault);
    if (LProdukte.count() != 0) bEntfernen.enable(true);
    LProdukte.enable(true);
    Wartezeit::DoEvents();
    return false;
}
