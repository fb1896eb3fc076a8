#pragma once
// The ZIP component: extracts an archive below a target folder, all or nothing.
#include <windows.h>

#include <cstdint>
#include <string>

// Called after each entry with a whole percentage; runs on the extracting thread.
using ExtractProgress = void (*)(void* context, int percent);

enum ExtractResult : int {
    kExtractMissing = -1, // the archive file does not exist
    kExtractFailed = 0,
    kExtractDone = 1,
};

// Extracts every entry of the archive read through `archive`, a handle the caller holds
// open with read access and keeps (it is read at explicit offsets, never reopened by
// name), below `target` (a GBK path), creating the target with its missing parents.
//
// Nothing is replaced until every entry has been written and checked (CRC, size, time)
// under a name of ours next to its place; then all move into place at once. Any failure
// leaves the target as it was: an archive whose central directory does not hold exactly
// the records it counts, entries that declare more bytes than the drive has free, an
// unsafe name, encrypted or corrupt data, a missing folder, a link on the way, a locked
// file, or a stop (StopExtractions).
//
// The calling thread inflates the entries while a thread of the extraction's own writes
// them, a few buffers behind. `progress` (may be null) gets ExtractPercent, on the
// calling thread and in order, after each entry is written and, once everything is in
// place and the archive is closed, 100; a failure before the walk reports 0 once; after a
// stop request it gets nothing more.
int ExtractZipFromHandle(HANDLE archive, const std::string& target, ExtractProgress progress,
                         void* context);

// The same for an archive named by path: opened so that others may only read it, and
// closed before the final 100. kExtractMissing when the file does not exist.
int ExtractZip(const std::string& archivePath, const std::string& target, ExtractProgress progress,
               void* context);

// For a program that is ending: every running extraction undoes what it wrote, gives 0
// and raises no further event, and any extraction started later fails at once. Waits,
// delivering messages sent to this thread meanwhile, until they have finished or the
// time is up; true when none is left running (this thread's own never finish while it
// waits here, so they are not waited for). An extraction that has raised its final 100
// no longer counts as running.
bool StopExtractions(unsigned timeoutMs);

// (index / count) * 100 in double precision, truncated toward zero.
int ExtractPercent(uint64_t index, uint64_t count);
