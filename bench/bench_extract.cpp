// Our ZIP component extracting one archive into a folder, timed in-process around the
// call (Wine's process start is not part of the figure).
//
//   bench_extract <archive> <target folder>
#include <cstdio>

#include "bench/bench_support.h"
#include "platform/zip_extract.h"

namespace {
// The installer's handler does real work only at 100; this one just counts, so that the
// progress path is exercised as in the product.
void CountProgress(void* context, int) {
    ++*static_cast<int*>(context);
}
} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_extract <archive> <target>\n");
        return 2;
    }
    int events = 0;
    const double start = bench::Now();
    const int result = ExtractZip(argv[1], argv[2], CountProgress, &events);
    const double seconds = bench::Now() - start;
    bench::Report("ours", seconds, result, 0);
    return result == kExtractDone ? 0 : 1;
}
