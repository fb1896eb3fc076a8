// Stands in for the ZIP component: the runtime's part of extraction is to hand the
// component a progress callback that reaches the ZIP control's bound routine.
#include "tests/runtime/fake_extract.h"

#include "platform/zip_extract.h"

FakeExtraction gFakeExtraction;

int ExtractZip(const std::string& archivePath, const std::string& target, ExtractProgress progress,
               void* context) {
    gFakeExtraction.archivePath = archivePath;
    gFakeExtraction.target = target;
    for (int percent : gFakeExtraction.percents)
        progress(context, percent);
    return gFakeExtraction.result;
}
