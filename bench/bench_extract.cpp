// Our ZIP component extracting one archive into a folder, timed in-process around the
// call (Wine's process start is not part of the figure).
//
//   bench_extract <archive> <target folder> [--disk | --memory]
//
// Besides the time it prints how long the moves into place took: from the event after the
// last entry (every file written under a name of ours) to the final 100 (every file in
// place, the old ones deleted). With --disk it also samples the free space of the
// target's drive at every event, for the peak space the extraction took beyond what it
// leaves; with --memory the process's private bytes, at every event and every
// millisecond between, for their peak during the extraction. Either sampling costs time,
// so such a run is not a timing.
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <limits>

#include "bench/bench_support.h"
#include "platform/zip/extract.h"

namespace {

// The process's private bytes: PrivateUsage where the system fills it, else PagefileUsage,
// the same figure on Windows (under Wine, anonymous resident memory plus swap).
uint64_t PrivateBytes() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(),
                              reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof counters)) {
        return 0;
    }
    return std::max<uint64_t>(
        {counters.PrivateUsage, counters.PagefileUsage, counters.PeakPagefileUsage});
}

// Samples the private bytes every millisecond on a thread of its own until stopped.
struct MemorySampler {
    std::atomic<uint64_t> peak{0};
    std::atomic<bool> stop{false};
    HANDLE thread = nullptr;

    void Sample() {
        uint64_t now = PrivateBytes();
        uint64_t seen = peak;
        while (now > seen && !peak.compare_exchange_weak(seen, now)) {
        }
    }
    static DWORD WINAPI Run(void* self) {
        auto* sampler = static_cast<MemorySampler*>(self);
        while (!sampler->stop) {
            sampler->Sample();
            Sleep(1);
        }
        return 0;
    }
    void Start() { thread = CreateThread(nullptr, 0, Run, this, 0, nullptr); }
    void Stop() {
        stop = true;
        if (thread) {
            WaitForSingleObject(thread, INFINITE);
            CloseHandle(thread);
        }
        Sample();
    }
};

struct Watch {
    std::string target;
    bool disk = false;
    MemorySampler* memory = nullptr;
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
        if (self->memory)
            self->memory->Sample();
    }
};

} // namespace

int main(int argc, char** argv) {
    const char* option = argc == 4 ? argv[3] : "";
    if (argc < 3 || argc > 4 ||
        (argc == 4 && std::strcmp(option, "--disk") != 0 && std::strcmp(option, "--memory") != 0)) {
        std::fprintf(stderr, "usage: bench_extract <archive> <target> [--disk | --memory]\n");
        return 2;
    }
    Watch watch{argv[2], std::strcmp(option, "--disk") == 0};
    watch.SampleDisk();
    const uint64_t freeBefore = watch.lowestFree;
    MemorySampler memory;
    const uint64_t privateBefore = PrivateBytes();
    if (std::strcmp(option, "--memory") == 0) {
        watch.memory = &memory;
        memory.Start();
    }
    const double start = bench::Now();
    const int result = ExtractZip(argv[1], argv[2], &Watch::OnProgress, &watch);
    const double seconds = bench::Now() - start;
    if (watch.memory) {
        memory.Stop();
        std::printf("memory before=%" PRIu64 " peak=%" PRIu64 "\n", privateBefore,
                    memory.peak.load());
    }
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
