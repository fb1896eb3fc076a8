// Writing the payload archive to a file in one call and holding it, as the installer
// stages it, timed in-process. The bytes are read into memory first and not timed: in
// setup.exe they are already mapped as part of the program.
//
//   bench_stage_write <source archive> <destination file>
#include <windows.h>

#include <cstdio>
#include <vector>

#include "bench/bench_support.h"
#include "platform/os/staged_file.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_stage_write <source> <destination>\n");
        return 2;
    }
    std::vector<char> bytes;
    if (!bench::ReadFileBytes(argv[1], bytes)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    const ByteView view(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    const double start = bench::Now();
    StagedFile staged = StagedFile::Write(argv[2], view);
    const double seconds = bench::Now() - start;
    const bool ok = static_cast<bool>(staged);
    bench::Report("stage", seconds, ok ? 1 : 0, bytes.size());
    return ok ? 0 : 1;
}
