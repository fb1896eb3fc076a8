// The pure decisions behind extraction: entry-name safety, path composition, progress
// percentages, the extended timestamp, and which paths count as links.
#include "platform/zip/extract.h"
#include "platform/zip/names.h"
#include "platform/zip/paths.h"
#include "platform/zip/times.h"
#include "tests/zip/test_support.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct NameCase {
    std::string name;
    bool safe;
};

// GBK byte sequences the shared table (UTF-8) cannot hold. "\x95\x5c" is one GBK
// character whose trail byte is a backslash, and "\x95|" one whose trail byte is a pipe;
// a lead byte without a valid trail ("\x81" at the end or before "/") would be dropped by
// the code page conversion, so such a name is refused. Windows trims the dots and spaces
// at the end of an element, so "a.." and "." are refused as well.
const NameCase kNames[] = {
    {"readme.txt", true},
    {"数据/", true},
    {"数据/说明.txt", true},
    {"a/b/c.txt", true},
    {"a..b", true},
    {"..a", true},
    {"a../b", false},
    {"./a.txt", false},
    {"a/./b", false},
    {".hidden", true},
    {"a//b", true},
    {"\x95\x5c"
     "../b",
     false},
    {"a/\x95\x5c"
     "..",
     false},
    // Read byte by byte, the trail byte would end an element and leave a device name.
    {"\x95\x5c"
     "con",
     true},
    {"a/\x95\x5c"
     "aux.txt",
     true},
    {"\x95|.txt", true},
    {"\x81<.txt", false},
    {"a/con.\x95\x5c", false},
    {"abc\x81", false},
    {"a\x81/b", false},
    {"\x81\x7f", false},
    {"", false},
    {"/a.txt", false},
    {"\\a.txt", false},
    {"C:/a.txt", false},
    {"c:a.txt", false},
    {"a/b:stream", false},
    {"..", false},
    {"../a.txt", false},
    {"..\\a.txt", false},
    {"a/..", false},
    {"a/../b", false},
    {"a/../../b", false},
    {"a\\..\\..\\b", false},
    {"a/b\\../../c", false},
    {"...", false},
    {"a/.../b", false},
    {".. /b", false},
    {"a/.. ", false},
    {"\x81/../x", false},
    {"\x95\x5c/../../x", false},
    {std::string("a\0/../../x", 10), false},
};

void PrintTo(const NameCase& c, std::ostream* out) {
    *out << testing::PrintToString(c.name);
}

class ZipEntryNames : public testing::TestWithParam<NameCase> {};

TEST_P(ZipEntryNames, RefusesNamesThatCouldLeaveTheTarget) {
    EXPECT_EQ(IsSafeEntryName(GetParam().name), GetParam().safe);
}

INSTANTIATE_TEST_SUITE_P(Table, ZipEntryNames, testing::ValuesIn(kNames));

struct PathCase {
    std::string target;
    std::string name;
    std::string path;
};

const PathCase kPaths[] = {
    {"C:\\t", "a.txt", "C:\\t\\a.txt"},
    {"C:\\t\\", "a.txt", "C:\\t\\a.txt"},
    {"C:\\t", "d/e/f.txt", "C:\\t\\d\\e\\f.txt"},
    {"C:\\t", "d/", "C:\\t\\d\\"},
    {"C:\\t", "\x95\x5c.txt", "C:\\t\\\x95\x5c.txt"},
    {"C:\\t", "数据/说明.txt", "C:\\t\\数据\\说明.txt"},
    // The target's last byte is a trail byte, not a backslash, so one is still added.
    {"C:\\\x95\x5c", "a", "C:\\\x95\x5c\\a"},
    {"C:\\\x95\x5c\\", "a", "C:\\\x95\x5c\\a"},
};

void PrintTo(const PathCase& c, std::ostream* out) {
    *out << testing::PrintToString(c.target) << " + " << testing::PrintToString(c.name);
}

class ZipEntryPaths : public testing::TestWithParam<PathCase> {};

TEST_P(ZipEntryPaths, JoinTargetAndNameWithOneBackslash) {
    EXPECT_EQ(EntryPath(GetParam().target, GetParam().name), GetParam().path);
}

INSTANTIATE_TEST_SUITE_P(Table, ZipEntryPaths, testing::ValuesIn(kPaths));

struct PercentCase {
    uint64_t index;
    uint64_t count;
    int percent;
};

// 29/100*100 is 28.999... in doubles: integer arithmetic would give 29.
const PercentCase kPercents[] = {
    {0, 11, 0},
    {1, 11, 9},
    {5, 11, 45},
    {10, 11, 90},
    {0, 1, 0},
    {1, 3, 33},
    {2, 3, 66},
    {29, 100, 28},
    {57, 100, 56},
    {99, 100, 99},
    {7, 7, 100},
    {1, 1u << 31, 0},
    {(1ull << 40) - 1, 1ull << 40, 99},
};

void PrintTo(const PercentCase& c, std::ostream* out) {
    *out << c.index << " of " << c.count;
}

class ZipPercentages : public testing::TestWithParam<PercentCase> {};

TEST_P(ZipPercentages, DivideFirstInDoublesAndTruncate) {
    EXPECT_EQ(ExtractPercent(GetParam().index, GetParam().count), GetParam().percent);
}

INSTANTIATE_TEST_SUITE_P(Table, ZipPercentages, testing::ValuesIn(kPercents));

using Bytes = std::vector<unsigned char>;

Bytes Field(uint16_t id, Bytes data) {
    Bytes field = {static_cast<unsigned char>(id), static_cast<unsigned char>(id >> 8),
                   static_cast<unsigned char>(data.size()),
                   static_cast<unsigned char>(data.size() >> 8)};
    field.insert(field.end(), data.begin(), data.end());
    return field;
}

Bytes Le32(uint32_t value) {
    return {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
            static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
}

Bytes Join(std::vector<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

struct TimestampCase {
    const char* label;
    Bytes extra;
    std::optional<int64_t> seconds;
};

const uint16_t kUt = 0x5455;

const TimestampCase kTimestamps[] = {
    {"no extra field", {}, std::nullopt},
    {"modification time", Field(kUt, Join({{0x01}, Le32(1600000000)})), 1600000000},
    {"local form with all three times",
     Field(kUt, Join({{0x07}, Le32(1600000000), Le32(5), Le32(6)})), 1600000000},
    {"access time only", Field(kUt, Join({{0x02}, Le32(1600000000)})), std::nullopt},
    {"flags without a time", Field(kUt, {0x01}), std::nullopt},
    {"after another field",
     Join({Field(0x000A, Bytes(8, 0xEE)), Field(kUt, Join({{0x01}, Le32(42)}))}), 42},
    {"other fields only", Field(0x7875, Bytes(11, 0x01)), std::nullopt},
    {"before 1970", Field(kUt, Join({{0x01}, Le32(0xFFFFFFFF)})), -1},
    {"size beyond the block", Join({{0x55, 0x54, 0x09, 0x00, 0x01}, Le32(7)}), std::nullopt},
    {"cut inside a field header", Join({Field(0x000A, {}), {0x55, 0x54}}), std::nullopt},
};

void PrintTo(const TimestampCase& c, std::ostream* out) {
    *out << c.label;
}

class ZipTimestamps : public testing::TestWithParam<TimestampCase> {};

TEST_P(ZipTimestamps, GiveTheModificationTimeOfAWellFormedField) {
    EXPECT_EQ(ExtendedModTime(GetParam().extra), GetParam().seconds);
}

INSTANTIATE_TEST_SUITE_P(Table, ZipTimestamps, testing::ValuesIn(kTimestamps), ByLabel());

struct WriteTimeCase {
    const char* label;
    int64_t readBackOffset; // 100 ns ticks after the time that was set
    bool same;
};

const WriteTimeCase kWriteTimes[] = {
    {"exact", 0, true},
    {"rounded up to FAT's two seconds", 19999999, true},
    {"rounded down to FAT's two seconds", -19999999, true},
    {"two seconds later", 20000000, false},
    {"a day earlier", -864000000000, false},
};

void PrintTo(const WriteTimeCase& c, std::ostream* out) {
    *out << c.label;
}

class ZipWriteTimes : public testing::TestWithParam<WriteTimeCase> {};

TEST_P(ZipWriteTimes, AreCheckedWithinTheStepsOfTheCoarsestVolume) {
    const uint64_t set = FileTimeOf(2020, 1, 2, 3, 4, 6);
    const uint64_t back = set + static_cast<uint64_t>(GetParam().readBackOffset);
    FILETIME setTime{static_cast<DWORD>(set), static_cast<DWORD>(set >> 32)};
    FILETIME backTime{static_cast<DWORD>(back), static_cast<DWORD>(back >> 32)};
    EXPECT_EQ(SameWriteTime(setTime, backTime), GetParam().same);
}

INSTANTIATE_TEST_SUITE_P(Table, ZipWriteTimes, testing::ValuesIn(kWriteTimes), ByLabel());

struct LinkCase {
    const char* label;
    DWORD attributes;
    DWORD tag;
    bool link;
};

const LinkCase kLinks[] = {
    {"plain folder", FILE_ATTRIBUTE_DIRECTORY, 0, false},
    {"plain file", FILE_ATTRIBUTE_ARCHIVE, 0, false},
    {"junction", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT,
     IO_REPARSE_TAG_MOUNT_POINT, true},
    {"folder symbolic link", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT,
     IO_REPARSE_TAG_SYMLINK, true},
    {"file symbolic link", FILE_ATTRIBUTE_REPARSE_POINT, IO_REPARSE_TAG_SYMLINK, true},
    {"Unix symbolic link as Wine shows it", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT,
     0, true},
    {"Linux subsystem link", FILE_ATTRIBUTE_REPARSE_POINT, 0xA000001D, true},
    {"third-party tag", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT, 0x00000123, true},
    {"cloud placeholder folder", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT,
     0x9000101A, false},
    {"deduplicated file", FILE_ATTRIBUTE_REPARSE_POINT, 0x80000013, false},
};

void PrintTo(const LinkCase& c, std::ostream* out) {
    *out << c.label;
}

class ZipLinkDecision : public testing::TestWithParam<LinkCase> {};

TEST_P(ZipLinkDecision, RefusesReparsePointsThatMayLeadElsewhere) {
    EXPECT_EQ(IsLinkLike(GetParam().attributes, GetParam().tag), GetParam().link);
}

INSTANTIATE_TEST_SUITE_P(Table, ZipLinkDecision, testing::ValuesIn(kLinks), ByLabel());

} // namespace
