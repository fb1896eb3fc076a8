// The limit for any extractor on this machine: every entry read through minizip and
// inflated by zlib into one memory buffer, with nothing written. Same I/O functions and
// buffer size as our component, so the gap to it is what writing files costs.
//
//   bench_inflate <archive>
#include <windows.h>

#include <cstdio>
#include <vector>

// clang-format off
#include <minizip/unzip.h>
#include <minizip/iowin32.h>
// clang-format on

#include "bench/bench_support.h"

namespace {
constexpr unsigned kBufferSize = 256 * 1024;

// Gives the number of bytes inflated, or -1 on any error (CRC included).
long long InflateAll(const char* path) {
    zlib_filefunc64_def io;
    fill_win32_filefunc64A(&io);
    unzFile zip = unzOpen2_64(path, &io);
    if (!zip)
        return -1;
    std::vector<char> buffer(kBufferSize);
    long long total = 0;
    int status = unzGoToFirstFile(zip);
    while (status == UNZ_OK) {
        if (unzOpenCurrentFile(zip) != UNZ_OK)
            break;
        int got;
        while ((got = unzReadCurrentFile(zip, buffer.data(), kBufferSize)) > 0)
            total += got;
        // Closing checks the CRC, as an extraction would.
        if (unzCloseCurrentFile(zip) != UNZ_OK || got < 0)
            break;
        status = unzGoToNextFile(zip);
    }
    unzClose(zip);
    return status == UNZ_END_OF_LIST_OF_FILE ? total : -1;
}
} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_inflate <archive>\n");
        return 2;
    }
    const double start = bench::Now();
    const long long total = InflateAll(argv[1]);
    const double seconds = bench::Now() - start;
    bench::Report("limit", seconds, total < 0 ? 0 : 1,
                  total < 0 ? 0 : static_cast<uint64_t>(total));
    return total < 0 ? 1 : 0;
}
