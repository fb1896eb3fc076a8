#pragma once
#include <string>

// Called after each entry with a whole percentage; runs on the extracting thread.
using ExtractProgress = void (*)(void* context, int percent);

enum ExtractResult : int {
    kExtractMissing = -1,  // the archive file does not exist
    kExtractFailed = 0,
    kExtractDone = 1,
};

// Extracts every entry of a ZIP archive below `target` (GBK paths). See zip_extract.cpp
// for the rules on names, times, attributes and progress.
int ExtractZip(const std::string& archivePath, const std::string& target,
               ExtractProgress progress, void* context);
