// Stands in for the ZIP component: the runtime's part of extraction is to hand the
// component a progress callback that reaches the ZIP control's bound routine, and to stop
// a running extraction on its way out (through the component's real stop requests).
#include "tests/runtime/fake_extract.h"

#include <windows.h>

#include "platform/runtime/runtime.h"
#include "platform/zip/extract.h"
#include "platform/zip/stop.h"

FakeExtraction gFakeExtraction;
std::atomic<bool> gFakeExtractionRunning{false};
std::atomic<bool> gFakeExtractionUndone{false};

namespace {

int RunUntilStopped() {
    ExtractionTicket ticket;
    if (!ticket.Admitted())
        return kExtractFailed;
    for (long long step = 0; !ticket.StopRequested(); ++step) {
        SetControlProperty(0, kPropTag, step);
        gFakeExtractionRunning = true;
    }
    Sleep(50); // undoing takes a while
    gFakeExtractionUndone = true;
    return kExtractFailed;
}

} // namespace

int ExtractZipFromHandle(HANDLE archive, const std::string& target, ExtractProgress progress,
                         void* context) {
    gFakeExtraction.archive = archive;
    gFakeExtraction.target = target;
    if (gFakeExtraction.runUntilStopped)
        return RunUntilStopped();
    for (int percent : gFakeExtraction.percents)
        progress(context, percent);
    return gFakeExtraction.result;
}
