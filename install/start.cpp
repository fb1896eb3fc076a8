#include "install/start.h"

#include "core/globals.h"
#include "install/messages.h"
#include "install/process_check.h"
#include "install/worker.h"
#include "platform/runtime/runtime.h"

namespace {
// Taken before anything else, so that a click delivered while a box of this routine is
// open (posted by another program or an accessibility tool) cannot start a second worker.
bool TakeInstallation() {
    bool idle = false;
    return InstallRunning.compare_exchange_strong(idle, true);
}
} // namespace

void OnInstallClicked() {
    if (!TakeInstallation())
        return;
    const Text exeName = Concat({ProductName, ".exe"});
    if (IsProcessRunning(exeName)) {
        const Text title = Concat({ProductName, kProductRunningTitleSuffix});
        ShowMessageBox(kProductRunningText, kStyleOk, title.c_str());
        InstallRunning = false;
        return;
    }
    ShowMessageBox(kNoticeText, kStyleOk);
    if (!StartThread(InstallThreadEntry))
        InstallRunning = false;
}
