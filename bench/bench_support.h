#pragma once
// What the benchmark programs share: one clock, and the few file operations they need
// around the thing they time.
#include <cstdint>
#include <string>
#include <vector>

namespace bench {

// Seconds on the performance counter: only differences mean anything.
double Now();

// Reads a whole file; false when it cannot be read.
bool ReadFileBytes(const std::string& path, std::vector<char>& bytes);

// Deletes a folder with everything below it (read-only files included); true when the
// folder is gone afterwards.
bool RemoveTree(const std::string& path);

// Names (not paths) of the entries directly inside a folder, without "." and "..".
std::vector<std::string> ListFolder(const std::string& path);

// Every file below a folder, as paths relative to it, and whether each is a directory.
struct TreeEntry {
    std::string relative;
    bool directory = false;
};
std::vector<TreeEntry> ListTree(const std::string& root);

// The one line a timing program prints for tools/bench.sh to read.
void Report(const char* key, double seconds, int result, uint64_t bytes);

} // namespace bench
