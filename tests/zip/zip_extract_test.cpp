// Extraction end to end, on archives the fixture generator wrote.
#include "platform/zip/extract.h"
#include "tests/zip/payload_fixture.h"
#include "tests/zip/test_support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace {

using testing::Each;
using testing::ElementsAre;

struct TargetCase {
    const char* label;
    const char* target; // below the scratch folder, as given to ExtractZip
    const char* folder; // where the entries must land
    bool existing;
};

const TargetCase kTargets[] = {
    {"missing parents", "new\\deeper\\target", "new\\deeper\\target", false},
    {"trailing backslash", "target\\", "target", false},
    {"existing folder", "target", "target", true},
};

void PrintTo(const TargetCase& c, std::ostream* out) {
    *out << c.label;
}

class ZipPayload : public testing::TestWithParam<TargetCase> {};

TEST_P(ZipPayload, WritesEveryEntryAndReportsEachOne) {
    ScratchDir scratch;
    if (GetParam().existing) {
        ASSERT_TRUE(CreateDirectoryA((scratch / GetParam().folder).c_str(), nullptr));
    }
    ProgressLog log;

    int result = ExtractZip(FixturePath("payload.zip"), scratch / GetParam().target,
                            &ProgressLog::Record, &log);

    EXPECT_EQ(result, 1);
    EXPECT_EQ(log.values, kPayloadProgress);
    EXPECT_THAT(log.threads, Each(GetCurrentThreadId()));
    ExpectPayloadIn(scratch / GetParam().folder);
}

INSTANTIATE_TEST_SUITE_P(Targets, ZipPayload, testing::ValuesIn(kTargets), ByLabel());

// What the folder that should hold the target showed at each event.
struct TargetWatch {
    std::string target;
    std::string parent;
    std::vector<bool> targetThere;
    std::vector<size_t> othersBeside; // names in the parent besides the target's own

    static void OnProgress(void* context, int) {
        auto* self = static_cast<TargetWatch*>(context);
        self->targetThere.push_back(IsFolder(self->target));
        std::set<std::string> names = ListFolder(self->parent);
        names.erase(self->target.substr(self->parent.size() + 1));
        self->othersBeside.push_back(names.size());
    }
};

class ZipMissingTarget : public testing::TestWithParam<TargetCase> {};

// Made under a name of ours beside its place and moved there whole: the target shows
// only once everything is in it.
TEST_P(ZipMissingTarget, AppearsOnlyWithEverythingInIt) {
    ScratchDir scratch;
    TargetWatch watch;
    watch.target = scratch / GetParam().folder;
    watch.parent = watch.target.substr(0, watch.target.rfind('\\'));

    ASSERT_EQ(ExtractZip(FixturePath("payload.zip"), scratch / GetParam().target,
                         &TargetWatch::OnProgress, &watch),
              1);

    std::vector<bool> there(kPayloadProgress.size() - 1, false);
    there.push_back(true);
    EXPECT_EQ(watch.targetThere, there);
    std::vector<size_t> beside(kPayloadProgress.size() - 1, 1);
    beside.push_back(0);
    EXPECT_EQ(watch.othersBeside, beside);
    ExpectPayloadIn(watch.target);
}

INSTANTIATE_TEST_SUITE_P(Targets, ZipMissingTarget, testing::Values(kTargets[0], kTargets[1]),
                         ByLabel());

TEST(ZipExtract, RunsWithoutAProgressHandler) {
    ScratchDir scratch;
    EXPECT_EQ(ExtractZip(FixturePath("payload.zip"), scratch / "target", nullptr, nullptr), 1);
    ExpectPayloadIn(scratch / "target");
}

enum class ArchiveKind { kNone, kEmptyPath, kFolder, kBytes };

struct ArchiveCase {
    const char* label;
    ArchiveKind kind;
    std::string bytes;
    int result;
};

const ArchiveCase kBadArchives[] = {
    {"missing file", ArchiveKind::kNone, "", -1},
    {"empty path", ArchiveKind::kEmptyPath, "", -1},
    {"folder", ArchiveKind::kFolder, "", 0},
    {"text file", ArchiveKind::kBytes, "This is not an archive.\r\n", 0},
    {"empty file", ArchiveKind::kBytes, "", 0},
    {"first three signature bytes", ArchiveKind::kBytes, "PK\x03", 0},
    {"empty archive", ArchiveKind::kBytes, std::string("PK\x05\x06", 4) + std::string(18, '\0'), 0},
    {"local header, no directory", ArchiveKind::kBytes,
     std::string("PK\x03\x04", 4) + std::string(60, '\x11'), 0},
};

void PrintTo(const ArchiveCase& c, std::ostream* out) {
    *out << c.label;
}

class ZipUnusableArchive : public testing::TestWithParam<ArchiveCase> {};

TEST_P(ZipUnusableArchive, FailsBeforeTheWalkAndReportsZeroOnce) {
    ScratchDir scratch;
    std::string archive = scratch / "archive.zip";
    switch (GetParam().kind) {
    case ArchiveKind::kNone:
        break;
    case ArchiveKind::kEmptyPath:
        archive.clear();
        break;
    case ArchiveKind::kFolder:
        ASSERT_TRUE(CreateDirectoryA(archive.c_str(), nullptr));
        break;
    case ArchiveKind::kBytes:
        ASSERT_TRUE(WriteBytes(archive, GetParam().bytes));
        break;
    }
    ProgressLog log;

    EXPECT_EQ(ExtractZip(archive, scratch / "target", &ProgressLog::Record, &log),
              GetParam().result);
    EXPECT_THAT(log.values, ElementsAre(0));
}

INSTANTIATE_TEST_SUITE_P(Kinds, ZipUnusableArchive, testing::ValuesIn(kBadArchives), ByLabel());

TEST(ZipExtract, FailsWhenTheTargetCannotBeCreated) {
    ScratchDir scratch;
    ASSERT_TRUE(WriteBytes(scratch / "file.txt", "in the way"));
    ProgressLog log;

    EXPECT_EQ(ExtractZip(FixturePath("payload.zip"), scratch / "file.txt\\target",
                         &ProgressLog::Record, &log),
              0);
    EXPECT_THAT(log.values, ElementsAre(0));
}

TEST(ZipExtract, ReplacesAReadOnlyFile) {
    ScratchDir scratch;
    std::string target = scratch / "target";
    std::string readme = target + "\\readme.txt";
    ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(readme, "old"));
    ASSERT_TRUE(SetFileAttributesA(readme.c_str(), FILE_ATTRIBUTE_READONLY));

    EXPECT_EQ(ExtractZip(FixturePath("payload.zip"), target, nullptr, nullptr), 1);
    EXPECT_EQ(ReadBytes(readme), ReadBytes(FixturePath("expected/00.bin")));
    EXPECT_EQ(Attributes(readme), PlainFileAttributes());
}

// A file in use is found when it is to be replaced, after every entry has been written:
// then nothing is replaced at all.
TEST(ZipExtract, LeavesTheTargetAsItWasWhenAFileIsLockedByAnotherHandle) {
    ScratchDir scratch;
    std::string target = scratch / "target";
    std::string config = target + "\\config.ini"; // the eighth entry
    ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(config, "old"));
    HANDLE lock = CreateFileA(config.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    ProgressLog log;

    int result = ExtractZip(FixturePath("payload.zip"), target, &ProgressLog::Record, &log);
    CloseHandle(lock);

    EXPECT_EQ(result, 0);
    EXPECT_THAT(log.values, ElementsAre(0, 9, 18, 27, 36, 45, 54, 63, 72, 81, 90));
    EXPECT_EQ(ReadBytes(config), "old");
    EXPECT_EQ(ListTree(target), std::set<std::string>{"config.ini"});
}

std::set<std::string> UpperCased(const std::set<std::string>& paths) {
    std::set<std::string> upper;
    for (std::string path : paths) {
        std::transform(path.begin(), path.end(), path.begin(),
                       [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
        upper.insert(path);
    }
    return upper;
}

struct MeetingCase {
    const char* label;
    bool folderExists; // "Docs" is in the target before the extraction
};

const MeetingCase kMeetings[] = {
    {"new folder", false},
    {"existing folder", true},
};

void PrintTo(const MeetingCase& c, std::ostream* out) {
    *out << c.label;
}

class ZipMeetingNames : public testing::TestWithParam<MeetingCase> {};

// Windows ignores case, so "Docs/", "docs/" and "DOCS/" are one folder and a name given
// twice is one file, which the later entry overwrites.
TEST_P(ZipMeetingNames, EndInOneFileHoldingTheLaterEntry) {
    ScratchDir scratch;
    const std::string target = scratch / "target";
    ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr));
    if (GetParam().folderExists) {
        ASSERT_TRUE(CreateDirectoryA((target + "\\Docs").c_str(), nullptr));
    }

    ASSERT_EQ(ExtractZip(FixturePath("meeting_names.zip"), target, nullptr, nullptr), 1);

    EXPECT_EQ(UpperCased(ListTree(target)),
              (std::set<std::string>{"SAME.TXT", "DOCS\\", "DOCS\\SAME.TXT", "DOCS\\OTHER.TXT"}));
    EXPECT_EQ(ReadBytes(target + "\\same.txt"), "second\r\n");
    EXPECT_EQ(ReadBytes(target + "\\docs\\same.txt"), "second\r\n");
    EXPECT_EQ(ReadBytes(target + "\\docs\\other.txt"), "other\r\n");
}

INSTANTIATE_TEST_SUITE_P(Folders, ZipMeetingNames, testing::ValuesIn(kMeetings), ByLabel());

struct StampCase {
    const char* name;
    uint64_t time;
};

TEST(ZipExtract, StampsStoredTimesWithoutTimeZoneShift) {
    ScratchDir scratch;
    std::string target = scratch / "target";
    // dos.txt holds only its DOS time; unix.txt's extended timestamp (1600000000) wins
    // over its DOS time of 2001-02-03 04:05:06.
    const StampCase stamps[] = {
        {"dos.txt", FileTimeOf(2021, 3, 4, 5, 6, 8)},
        {"unix.txt", FileTimeOf(2020, 9, 13, 12, 26, 40)},
    };

    TIME_ZONE_INFORMATION zone;
    GetTimeZoneInformation(&zone);
    ASSERT_NE(zone.Bias, 0) << "in UTC a time-zone shift cannot show; the test sets TZ";

    ASSERT_EQ(ExtractZip(FixturePath("timestamps.zip"), target, nullptr, nullptr), 1);

    for (const StampCase& stamp : stamps) {
        SCOPED_TRACE(stamp.name);
        std::optional<FileTimes> times = ReadFileTimes(target + "\\" + stamp.name);
        ASSERT_TRUE(times);
        // Wine keeps no creation time of its own and reports the write time instead.
        EXPECT_EQ(times->creation, stamp.time);
        EXPECT_EQ(times->access, stamp.time);
        EXPECT_EQ(times->write, stamp.time);
    }
}

struct FaultCase {
    const char* label;
    const char* fixture;
    std::vector<int> progress; // one report per entry before the fault
    const char* atDriveRoot;   // must not appear at the root of the scratch drive
};

// Each archive holds first.txt, the faulty entry and after.txt; dotted_parent.zip also
// has the folder entry "sub/" before its faulty entry.
const FaultCase kFaults[] = {
    {"parent element", "parent.zip", {0}, nullptr},
    {"rooted name", "rooted.zip", {0}, "evil-rooted.txt"},
    {"drive name", "drive.zip", {0}, "evil-drive.txt"},
    {"dots Windows trims to a parent", "dotted_parent.zip", {0, 25}, nullptr},
    {"missing folder", "no_folder.zip", {0}, nullptr},
    {"CRC mismatch", "bad_crc.zip", {0}, nullptr},
    {"encrypted flag", "encrypted.zip", {0}, nullptr},
    {"data shorter than its size", "short.zip", {0}, nullptr},
    {"broken deflate stream", "corrupt.zip", {0}, nullptr},
};

void PrintTo(const FaultCase& c, std::ostream* out) {
    *out << c.label;
}

class ZipFaultyArchive : public testing::TestWithParam<FaultCase> {};

// The entries before the fault were written under names of ours: they go again, and so
// does the target this run created.
TEST_P(ZipFaultyArchive, StopsAtTheFaultLeavesNothingAndNeverReports100) {
    ScratchDir scratch;
    std::string target = scratch / "target";
    ProgressLog log;

    int result = ExtractZip(FixturePath(GetParam().fixture), target, &ProgressLog::Record, &log);

    EXPECT_EQ(result, 0);
    EXPECT_EQ(log.values, GetParam().progress);
    EXPECT_EQ(ListTree(scratch.path()), std::set<std::string>{});
    if (GetParam().atDriveRoot) {
        EXPECT_FALSE(Exists(scratch.path().substr(0, 3) + GetParam().atDriveRoot));
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, ZipFaultyArchive, testing::ValuesIn(kFaults), ByLabel());

struct DeletingHandler {
    std::string archive;
    std::vector<int> values;
    bool deletedDuringWalk = false;
    bool deletedAt100 = false;

    static void OnProgress(void* context, int percent) {
        auto* self = static_cast<DeletingHandler*>(context);
        self->values.push_back(percent);
        bool deleted = DeleteFileA(self->archive.c_str());
        (percent == 100 ? self->deletedAt100 : self->deletedDuringWalk) |= deleted;
    }
};

TEST(ZipExtract, ClosesTheArchiveBeforeReporting100) {
    ScratchDir scratch;
    DeletingHandler handler;
    handler.archive = scratch / "copy.zip";
    ASSERT_TRUE(CopyFileA(FixturePath("payload.zip").c_str(), handler.archive.c_str(), TRUE));

    EXPECT_EQ(
        ExtractZip(handler.archive, scratch / "target", &DeletingHandler::OnProgress, &handler), 1);
    EXPECT_EQ(handler.values, kPayloadProgress);
    // While the walk runs the open archive cannot be deleted; at 100 it must be closed.
    EXPECT_FALSE(handler.deletedDuringWalk);
    EXPECT_TRUE(handler.deletedAt100);
    EXPECT_FALSE(Exists(handler.archive));
}

} // namespace
