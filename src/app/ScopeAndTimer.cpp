// The scope selector, which refills the list, and the timer, which keeps the
// restore button in step with the restore file.
#include "app/Root.h"

#include "catalogue/ProductRow.h"
#include "app/ControlIds.h"
#include "app/RestoreFilesDialog.h"
#include "removal/RestoreFiles.h"

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
    // One look a tick for both: the button follows Uninstall.reg alone, the
    // menu command any restore file. While the folder stays as it was at
    // the last look, that is one query of its write time.
    const RestoreFiles::Presence there = RestoreFiles::Look(workingFolder_, lastLook_);
    EnableRestoreFilesCommand(there.any);
    if (bRestored.enabled() == there.restoreFile) return;
    if (there.restoreFile) bRestored.enable(true);
    else Disable(bRestored.hwnd);
}

void Root::EnableRestoreFilesCommand(bool on)
{
    // Written only when it changes, like the button: the tick stays one
    // directory search.
    if (on == restoreFilesCommand_) return;
    if (EnableMenuItem(GetSystemMenu(hwnd_, FALSE), ControlIds::RestoreFiles, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED))
        != -1)
        restoreFilesCommand_ = on;
}

void Root::mRestoreFiles_Click()
{
    // The command arrives only through the menu, where it is grey while
    // there is no restore file; a posted one must not do more.
    if (!restoreFilesCommand_) return;
    // A close or a scope pick while the dialog is open waits for it.
    Operation operation(*this);
    RestoreFilesDialog::Show(*this);
}

void Root::LProdukte_DblClick()
{
    // A double-click only selects the row, as a single click does.
}
