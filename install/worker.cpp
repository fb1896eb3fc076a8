#include "install/worker.h"

#include <objbase.h>

#include "assets/embedded.h"
#include "core/globals.h"
#include "install/messages.h"
#include "install/staging.h"
#include "platform/os/services.h"
#include "platform/runtime/runtime.h"
#include "platform/zip/extract.h"
#include "ui/main_window.h"

namespace {
// A retry after a failed run starts the bar from 0, not from where that run stopped.
void ShowExtracting() {
    SetControlProperty(进度条1, kPropPosition, 0);
    SetControlProperty(进度条1, kPropVisible, 1);
    SetControlProperty(标签_日志, kPropCaption, kExtractingLog);
}

// Writes the payload to the temporary directory, else to the install drive's root, and
// keeps it held; empty when neither could be written.
StagedFile StagePayload() {
    const ByteView payload = BlockBytes(PayloadArchive);
    if (StagedFile staged = StagedFile::Write(PrimaryStagingPath(), payload))
        return staged;
    return StagedFile::Write(FallbackStagingPath(ReadInstallDir()), payload);
}

// The completion never runs after a failed extraction, so the user has to be told here,
// and may try again from the same window.
void ReportExtractionFailure() {
    SetControlProperty(进度条1, kPropVisible, 0);
    SetControlProperty(标签_日志, kPropCaption, kExtractFailedLog);
    ShowMessageBox(kExtractFailedText, kStyleOk);
    StagedArchive.Discard();
}
} // namespace

void InstallWorker() {
    CoInitialize(nullptr);
    SetControlProperty(标签_日志, kPropCaption, kStagingLog);
    StagedArchive = StagePayload();
    if (!StagedArchive) {
        ShowMessageBox(kStagingFailedText, kStyleOk);
        ExitProgram(0);
    }
    ShowExtracting();
    if (ExtractArchive(ZIP压缩1, StagedArchive, ReadInstallDir()) != kExtractDone)
        ReportExtractionFailure();
    CoUninitialize();
}

void InstallThreadEntry() {
    InstallWorker();
    InstallRunning = false;
}
