// The walk follows the central directory's own count: exactly that many records, no
// more and no fewer, whatever minizip makes of a count of 0xFFFF.
#include "platform/zip/extract.h"
#include "tests/zip/test_support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>

namespace {

using testing::ElementsAre;

struct DirectoryCase {
    const char* label;
    const char* fixture;
    int result;
    std::vector<int> progress;
};

// Each archive's directory holds the records of one.txt, two.txt and three.txt.
const DirectoryCase kDirectories[] = {
    {"more records than counted", "more_records.zip", 0, {0}},
    {"fewer records than counted", "fewer_records.zip", 0, {0}},
    {"count of 0xFFFF over three records", "fewer_records_ffff.zip", 0, {0}},
    {"zip64 end record", "zip64_end.zip", 1, {0, 33, 66, 100}},
};

void PrintTo(const DirectoryCase& c, std::ostream* out) {
    *out << c.label;
}

class ZipDirectoryCount : public testing::TestWithParam<DirectoryCase> {};

TEST_P(ZipDirectoryCount, IsFollowedExactlyOrNothingIsWritten) {
    ScratchDir scratch;
    std::string target = scratch / "target";
    ProgressLog log;

    EXPECT_EQ(ExtractZip(FixturePath(GetParam().fixture), target, &ProgressLog::Record, &log),
              GetParam().result);

    EXPECT_EQ(log.values, GetParam().progress);
    if (GetParam().result == 0) {
        EXPECT_EQ(ListTree(scratch.path()), std::set<std::string>{});
        return;
    }
    for (const char* name : {"one.txt", "two.txt", "three.txt"}) {
        EXPECT_EQ(ReadBytes(target + "\\" + name), std::string(name) + "\r\n");
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ZipDirectoryCount, testing::ValuesIn(kDirectories), ByLabel());

std::string ManyName(int folder, int file) {
    char name[32];
    std::snprintf(name, sizeof name, "d%03d\\f%03d.txt", folder, file);
    return name;
}

// 255 folders of a folder entry and 256 files each: the end record counts 0xFFFF.
TEST(ZipDirectory, WritesEveryOneOf65535EntriesAndSucceeds) {
    constexpr int kFolders = 255, kFilesPerFolder = 256, kEntries = 0xFFFF;
    ScratchDir scratch;
    std::string target = scratch / "target";
    ProgressLog log;

    ASSERT_EQ(ExtractZip(FixturePath("many.zip"), target, &ProgressLog::Record, &log), 1);

    ASSERT_EQ(log.values.size(), static_cast<size_t>(kEntries + 1));
    EXPECT_THAT(std::vector<int>(log.values.end() - 3, log.values.end()), ElementsAre(99, 99, 100));
    EXPECT_EQ(ListFolder(target).size(), static_cast<size_t>(kFolders));
    for (int folder = 0; folder < kFolders; ++folder) {
        std::string name = ManyName(folder, 0);
        ASSERT_EQ(ListFolder(target + "\\" + name.substr(0, 4)).size(),
                  static_cast<size_t>(kFilesPerFolder))
            << name;
    }
    for (auto [folder, file] : {std::pair{0, 0}, {127, 128}, {254, 255}}) {
        std::string name = ManyName(folder, file);
        std::string stored = name;
        stored[4] = '/';
        EXPECT_EQ(ReadBytes(target + "\\" + name), stored);
    }
}

} // namespace
