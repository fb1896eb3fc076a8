// Extraction with its inflating and writing threads: files that end on and around the
// boundaries of the pieces passed between them, and a failure of the writing thread while
// the inflating one may be entries ahead.
#include "platform/zip/extract.h"
#include "platform/zip/handoff.h"
#include "tests/zip/payload_fixture.h"
#include "tests/zip/test_support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>

namespace {

using testing::Each;
using testing::ElementsAre;

// The sizes piece_sizes.zip holds, around the piece size its generator assumes.
static_assert(kPieceBytes == 64 * 1024, "tests/zip/make_fixtures.py: PIECE");
constexpr size_t kSizes[] = {
    0, 1, kPieceBytes - 1, kPieceBytes, kPieceBytes + 1, 2 * kPieceBytes, 3 * kPieceBytes + 5};

// The generator's pattern(size).
std::string Pattern(size_t size) {
    std::string bytes(size, '\0');
    for (size_t at = 0; at < size; ++at)
        bytes[at] = static_cast<char>(((at % 251) * 31 + 7) & 0xFF);
    return bytes;
}

std::string SizeName(const char* format, size_t size) {
    char name[32];
    std::snprintf(name, sizeof name, format, static_cast<unsigned>(size));
    return name;
}

TEST(ZipPieces, FilesOnAndAroundPieceBoundariesArriveWholeWithTheirTimes) {
    ScratchDir scratch;
    const std::string target = scratch / "target";
    ProgressLog log;

    ASSERT_EQ(ExtractZip(FixturePath("piece_sizes.zip"), target, &ProgressLog::Record, &log), 1);

    std::vector<int> events;
    for (int index = 0; index < 15; ++index)
        events.push_back(ExtractPercent(index, 15));
    events.push_back(100);
    EXPECT_EQ(log.values, events);
    EXPECT_THAT(log.threads, Each(GetCurrentThreadId()));
    std::set<std::string> expected = {"deflated\\"};
    for (size_t size : kSizes) {
        for (const char* format : {"stored%07u.bin", "deflated\\%07u.bin"}) {
            const std::string name = SizeName(format, size);
            SCOPED_TRACE(name);
            expected.insert(name);
            EXPECT_EQ(ReadBytes(target + "\\" + name), Pattern(size));
            EXPECT_EQ(Attributes(target + "\\" + name), PlainFileAttributes());
            std::optional<FileTimes> times = ReadFileTimes(target + "\\" + name);
            ASSERT_TRUE(times);
            EXPECT_EQ(times->write, FileTimeOf(2020, 1, 2, 3, 4, 6));
        }
    }
    EXPECT_EQ(ListTree(target), expected);
}

struct LateCase {
    const char* label;
    bool oldInstallation;
};

const LateCase kLate[] = {
    {"into a new folder", false},
    {"over an installation", true},
};

void PrintTo(const LateCase& c, std::ostream* out) {
    *out << c.label;
}

class ZipWriterFailure : public testing::TestWithParam<LateCase> {};

// The third entry's folder does not exist: only the two entries before it are reported,
// whatever the inflating thread had read beyond it, and nothing of the run stays.
TEST_P(ZipWriterFailure, WhileTheInflaterIsAheadStopsTheWalkAndUndoesEverything) {
    ScratchDir scratch;
    const std::string target = scratch / "target";
    Installation old;
    if (GetParam().oldInstallation)
        old = WriteOldInstallation(target);
    ProgressLog log;

    EXPECT_EQ(
        ExtractZip(FixturePath("late_missing_folder.zip"), target, &ProgressLog::Record, &log), 0);

    EXPECT_THAT(log.values, ElementsAre(0, ExtractPercent(1, 43)));
    if (GetParam().oldInstallation)
        ExpectInstallation(target, old);
    else
        EXPECT_EQ(ListTree(scratch.path()), std::set<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Targets, ZipWriterFailure, testing::ValuesIn(kLate), ByLabel());

} // namespace
