// Our ZIP component extracting one archive into a folder, timed in-process around the
// call (Wine's process start is not part of the figure).
//
//   bench_extract <archive> <target folder> [--disk]
//
// Besides the time it prints how long the moves into place took: from the event after the
// last entry (every file written under a name of ours) to the final 100 (every file in
// place, the old ones deleted). With --disk it also samples the free space of the
// target's drive at every event, for the peak space the extraction took beyond what it
// leaves; the sampling costs time, so such a run is not a timing.
#include <windows.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <limits>

#include "bench/bench_support.h"
#include "platform/zip/extract.h"

namespace {

struct Watch {
    std::string target;
    bool disk = false;
    int events = 0;
    double lastEntry = 0;
    double complete = 0;
    uint64_t lowestFree = std::numeric_limits<uint64_t>::max();

    void SampleDisk() {
        ULARGE_INTEGER free;
        if (disk && GetDiskFreeSpaceExA((target + "\\").c_str(), &free, nullptr, nullptr))
            lowestFree = std::min<uint64_t>(lowestFree, free.QuadPart);
    }

    // The installer's handler does real work only at 100; this one just notes the time,
    // so that the progress path is exercised as in the product.
    static void OnProgress(void* context, int percent) {
        auto* self = static_cast<Watch*>(context);
        ++self->events;
        (percent == 100 ? self->complete : self->lastEntry) = bench::Now();
        self->SampleDisk();
    }
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4 || (argc == 4 && std::strcmp(argv[3], "--disk") != 0)) {
        std::fprintf(stderr, "usage: bench_extract <archive> <target> [--disk]\n");
        return 2;
    }
    Watch watch{argv[2], argc == 4};
    watch.SampleDisk();
    const uint64_t freeBefore = watch.lowestFree;
    const double start = bench::Now();
    const int result = ExtractZip(argv[1], argv[2], &Watch::OnProgress, &watch);
    const double seconds = bench::Now() - start;
    bench::Report("ours", seconds, result, 0);
    if (result == kExtractDone)
        std::printf("moves seconds=%.6f\n", watch.complete - watch.lastEntry);
    if (watch.disk) {
        ULARGE_INTEGER after{};
        GetDiskFreeSpaceExA((watch.target + "\\").c_str(), &after, nullptr, nullptr);
        std::printf("disk peak_extra=%" PRIu64 " kept=%" PRId64 "\n", freeBefore - watch.lowestFree,
                    static_cast<int64_t>(freeBefore - after.QuadPart));
    }
    std::fflush(stdout);
    return result == kExtractDone ? 0 : 1;
}
