// The scope selector, which refills the list, and the timer, which keeps the
// restore button in step with the restore file.
#include "app/Root.h"

#include "catalogue/ProductRow.h"
#include "platform/Dateiexistenz.h"
#include "removal/RestoreFile.h"

void Root::LRegister_Click()
{
    Operation operation(*this);
    LProdukte.clear();
    LTemp.clear();
    switch (LRegister.selected()) {
    case 0: // both registers; the main register first keeps its rows
        GetProgramme(HKEY_LOCAL_MACHINE, ProductRow::ProductRoot);
        GetProgramme(HKEY_CURRENT_USER, ProductRow::ProductRoot);
        break;
    case 1:
        GetProgramme(HKEY_CURRENT_USER, ProductRow::ProductRoot);
        break;
    case 2:
        GetProgramme(HKEY_LOCAL_MACHINE, ProductRow::ProductRoot);
        break;
    default: // no scope chosen: nothing is listed
        break;
    }
    UpdateListExtent();
}

void Root::Timer1_Timer()
{
    const bool exists = Dateiexistenz::FileExists(RestoreFile::PathsIn(workingFolder_).restore);
    if (bRestored.enabled() == exists) return;
    if (exists) bRestored.enable(true);
    else Disable(bRestored.hwnd);
}

void Root::LProdukte_DblClick()
{
    // A double-click only selects the row, as a single click does.
}
