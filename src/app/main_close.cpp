// The main window's close request: before the finished page it asks through the exit dialog,
// on the finished page it closes at once; either way the chosen box decides whether the wizard
// removes itself from the disk once it has ended.

#include "app/main.h"

#include "app/Application.h"
#include "app/SelfRemoval.h"
#include "app/close.h"
#include "app/frm_finished.h"

#include <QCheckBox>

void T_main::FormCloseQuery(bool& canClose) {
    canClose = false;
    bool remove = true;
    if (App.FinishedPageReached) {
        remove = App.Finished().chkRemoveApplication->isChecked();
    } else {
        T_closedialog& dialog = App.CloseDialog();
        // Only No keeps the window; Yes and the dialog's close box both go on.
        if (dialog.ShowModal() == T_closedialog::mrNo)
            return;
        remove = dialog.chkRemoveApplication->isChecked();
    }
    // Raises EInOutError when the batch cannot be started from the temporary folder; the window
    // then stays open. Any other failure only leaves the wizard on the disk: closing is right.
    if (remove)
        app::StartSelfRemoval(app::CurrentSelfRemovalSteps());
    canClose = true;
}
