#include "console/Rights.h"

#include "catalogue/ProductRow.h"
#include "platform/Handles.h"

#include <windows.h>

namespace Rights {

bool MainRegisterDenied()
{
    for (REGSAM view : {REGSAM(KEY_WOW64_64KEY), REGSAM(KEY_WOW64_32KEY)}) {
        KeyHandle key;
        const LSTATUS status =
            RegOpenKeyExW(HKEY_LOCAL_MACHINE, ProductRow::ProductRoot, 0, KEY_ALL_ACCESS | view, key.put());
        // A missing product root needs no rights: there is nothing in it.
        if (status == ERROR_ACCESS_DENIED) return true;
    }
    return false;
}

} // namespace Rights
