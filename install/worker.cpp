#include "install/worker.h"

#include <objbase.h>

#include "assets/embedded.h"
#include "core/globals.h"
#include "install/messages.h"
#include "install/staging.h"
#include "platform/os_services.h"
#include "platform/runtime.h"
#include "platform/zip_extract.h"
#include "ui/main_window.h"

namespace {
// A retry after a failed run starts the bar from 0, not from where that run stopped.
void ShowExtracting() {
    SetControlProperty(进度条1, kPropPosition, 0);
    SetControlProperty(进度条1, kPropVisible, 1);
    SetControlProperty(标签_日志, kPropCaption, kExtractingLog);
}

// Writes the payload to the temporary directory, else to the install drive's root.
// Gives the staged path, or an empty text when neither could be written.
Text StagePayload() {
    const ByteView payload = BlockBytes(PayloadArchive);
    if (WriteBytesToFile(PrimaryStagingPath(), payload))
        return PrimaryStagingPath();
    if (WriteBytesToFile(FallbackStagingPath(ReadInstallDir()), payload))
        return FallbackStagingPath(ReadInstallDir());
    return {};
}

// The completion never runs after a failed extraction, so the user has to be told here,
// and may try again from the same window.
void ReportExtractionFailure() {
    SetControlProperty(进度条1, kPropVisible, 0);
    SetControlProperty(标签_日志, kPropCaption, kExtractFailedLog);
    ShowMessageBox(kExtractFailedText, kStyleOk);
    DeleteFileIfAny(FallbackStagingPath(ReadInstallDir()));
    DeleteFileIfAny(PrimaryStagingPath());
}
} // namespace

void InstallWorker() {
    CoInitialize(nullptr);
    SetControlProperty(标签_日志, kPropCaption, kStagingLog);
    const Text archive = StagePayload();
    if (archive.empty()) {
        ShowMessageBox(kStagingFailedText, kStyleOk);
        ExitProgram(0);
    }
    ShowExtracting();
    if (ExtractArchive(ZIP压缩1, archive, ReadInstallDir()) != kExtractDone)
        ReportExtractionFailure();
    CoUninitialize();
}

void InstallThreadEntry() {
    InstallWorker();
    InstallRunning = false;
}
