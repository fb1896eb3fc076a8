// Writing the payload archive to a file in one call, the way the installer stages it,
// timed in-process. The bytes are read into memory first and not timed: in setup.exe
// they are already mapped as part of the program.
//
//   bench_stage_write <source archive> <destination file>
#include <windows.h>

#include <cstdio>
#include <vector>

#include "bench/bench_support.h"

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
    const double start = bench::Now();
    HANDLE file = CreateFileA(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    const bool ok =
        file != INVALID_HANDLE_VALUE &&
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        written == bytes.size();
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    const double seconds = bench::Now() - start;
    bench::Report("stage", seconds, ok ? 1 : 0, bytes.size());
    return ok ? 0 : 1;
}
