#include "install/finish.h"

#include "assets/embedded.h"
#include "core/globals.h"
#include "install/messages.h"
#include "install/staging.h"
#include "platform/os/services.h"
#include "platform/runtime/runtime.h"
#include "ui/main_window.h"

namespace {
constexpr int kComplete = 100;

void MoveProgressBar(int percent) {
    SetControlProperty(进度条1, kPropPosition, percent);
    const long long maximum = GetControlProperty(进度条1, kPropMaximum).number;
    const double scaled = static_cast<double>(maximum) / 100.0 * static_cast<double>(percent);
    SetControlProperty(进度条1, kPropPosition, static_cast<long long>(scaled));
}

void ShowCompletionPicture() {
    const ByteView picture = BlockBytes(CompletionPicture);
    SetControlProperty(图形按钮1, kPropNormalPicture, picture);
    SetControlProperty(图形按钮1, kPropHoverPicture, picture);
}

void WriteDesktopShortcut() {
    const Text linkPath = Concat({GetSpecialFolder(kFolderDesktop), ProductName});
    const bool saved = CreateShortcut(linkPath, ExecutablePath(ReadInstallDir()));
    SetControlProperty(标签_日志, kPropCaption, saved ? kShortcutDoneLog : kShortcutFailedLog);
}

void OfferToStartProduct() {
    if (ShowMessageBox(kCompletionQuestion, kStyleYesNoInfo, kCompletionTitle) != kAnswerYes)
        return;
    RunProgram(QuotedCommandLine(ExecutablePath(ReadInstallDir())), false);
}

// Only the file this run staged, through the handle it holds: a tool.zip of someone else's
// at the other staging path stays untouched.
void RemoveStagedArchive() {
    StagedArchive.Discard();
}
} // namespace

void OnExtractionProgress(int percent) {
    MoveProgressBar(percent);
    if (percent != kComplete)
        return;
    ShowCompletionPicture();
    WriteDesktopShortcut();
    OfferToStartProduct();
    SetControlProperty(进度条1, kPropVisible, 0);
    RemoveStagedArchive();
    ExitProgram(0);
}
