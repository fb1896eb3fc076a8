#pragma once
// File helpers for tests that work on the real (Wine) file system.
#include <cstdint>
#include <string>
#include <vector>

// A fresh, empty folder under the temporary directory, removed with its contents when
// the object goes away.
class ScratchDir {
public:
    explicit ScratchDir(const std::string& label);
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

void RemoveTree(const std::string& path);
bool FileExists(const std::string& path);
bool DirExists(const std::string& path);
std::vector<uint8_t> ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::string& bytes);
bool RunningUnderWine();
// What a file with plain attributes reports: FILE_ATTRIBUTE_NORMAL, except under Wine,
// which shows every regular file with the archive bit and cannot clear it.
uint32_t PlainFileAttributes();
uint32_t Crc32Of(const std::vector<uint8_t>& bytes);

// One line per file entry of the payload, written at build time from the archive itself.
struct ManifestEntry {
    std::string name; // GBK, with backslashes
    uint64_t size;
    uint32_t crc;
    uint32_t dosAttributes;
    bool directory;
    std::string dosTime; // YYYYMMDDhhmmss as stored
};
// The last-write time of a file as YYYYMMDDhhmmss, read without any time-zone shift.
std::string LastWriteStamp(const std::string& path);
std::vector<ManifestEntry> LoadManifest(const std::string& path);

// Sets TMP and TEMP of this process, which GetTempPathA reads; restores them on exit.
class TempDirOverride {
public:
    explicit TempDirOverride(const std::string& folder);
    ~TempDirOverride();
    TempDirOverride(const TempDirOverride&) = delete;
    TempDirOverride& operator=(const TempDirOverride&) = delete;

private:
    std::string tmp_, temp_;
};
