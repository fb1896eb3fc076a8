#include "install/start.h"

#include "core/globals.h"
#include "install/messages.h"
#include "install/worker.h"
#include "platform/runtime.h"

void OnInstallClicked() {
    // One installation at a time: a second worker would stage and extract over the first.
    if (InstallRunning)
        return;
    const Text exeName = Concat({ProductName, ".exe"});
    if (IsProcessRunning(exeName)) {
        const Text title = Concat({ProductName, kProductRunningTitleSuffix});
        ShowMessageBox(kProductRunningText, kStyleOk, title.c_str());
        return;
    }
    ShowMessageBox(kNoticeText, kStyleOk);
    InstallRunning = true;
    if (!StartThread(InstallThreadEntry))
        InstallRunning = false;
}
