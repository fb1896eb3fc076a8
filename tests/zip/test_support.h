#pragma once
#include <windows.h>

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

// The Windows path of a file the fixture generator wrote.
std::string FixturePath(const std::string& name);

// A fresh, empty folder under the temporary directory (or under `parent`), removed with
// everything in it; links in it are removed, never followed.
class ScratchDir {
public:
    ScratchDir();
    explicit ScratchDir(const std::string& parent);
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    ~ScratchDir();

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

std::optional<std::string> ReadBytes(const std::string& path);
bool WriteBytes(const std::string& path, const std::string& bytes);
bool Exists(const std::string& path);
bool IsFolder(const std::string& path);
DWORD Attributes(const std::string& path);

// What a file with plain attributes reports: FILE_ATTRIBUTE_NORMAL, except under Wine,
// which shows every regular file with the archive bit and cannot clear it.
DWORD PlainFileAttributes();

// Names in a folder, without "." and "..".
std::set<std::string> ListFolder(const std::string& folder);
// Every path below a folder, relative to it; folders end with a backslash. Links are
// listed, not followed.
std::set<std::string> ListTree(const std::string& folder);

// Makes `link` a folder that leads to `target`: a junction where the system can make one,
// else (Wine) a Unix symbolic link, which Wine shows as a reparse point.
bool MakeFolderLink(const std::string& link, const std::string& target);

// Another process holding a file open without sharing, until this object goes away.
class HeldByOtherProcess {
public:
    explicit HeldByOtherProcess(const std::string& path);
    HeldByOtherProcess(const HeldByOtherProcess&) = delete;
    HeldByOtherProcess& operator=(const HeldByOtherProcess&) = delete;
    ~HeldByOtherProcess();
    bool holding() const { return holding_; }

private:
    HANDLE process_ = nullptr;
    bool holding_ = false;
};

// What another process could do to a file: bit 1 open it for writing, 2 rename it, 4
// delete it, 8 read it; -1 when the process could not be run.
int ChangesByOtherProcess(const std::string& path);
constexpr int kOtherWrote = 1, kOtherRenamed = 2, kOtherDeleted = 4, kOtherRead = 8;

bool RunningUnderWine();

struct FileTimes {
    uint64_t creation;
    uint64_t access;
    uint64_t write;
};
std::optional<FileTimes> ReadFileTimes(const std::string& path);
uint64_t FileTimeOf(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second);

// Records every progress report and the thread it arrived on.
struct ProgressLog {
    std::vector<int> values;
    std::vector<DWORD> threads;

    static void Record(void* context, int percent);
};

// A test-name fragment from a case label: "missing file" gives "MissingFile".
std::string LabelToName(const std::string& label);

// Names parameterized tests after the `label` of their case.
struct ByLabel {
    template <typename Info> std::string operator()(const Info& info) const {
        return LabelToName(info.param.label);
    }
};
