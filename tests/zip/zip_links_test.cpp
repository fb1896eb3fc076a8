// Extraction never writes through a link: a target, a folder entry or the folder of a
// file entry that exists as one fails the extraction, and nothing lands where it leads.
// Folder links are junctions on Windows and Unix symbolic links under Wine, which shows
// them as reparse points; Wine can make no link that shows as a file.
#include "platform/zip/extract.h"
#include "tests/zip/payload_fixture.h"
#include "tests/zip/test_support.h"

#include <gtest/gtest.h>

namespace {

struct LinkCase {
    const char* label;
    const char* fixture;
    const char* link; // below the target, or empty for the target itself
    std::vector<int> progress;
};

const LinkCase kLinks[] = {
    {"the target", "payload.zip", "", {0}},
    // 数据/ is the ninth entry.
    {"a folder entry", "payload.zip", "数据", {0, 9, 18, 27, 36, 45, 54, 63}},
    // missing/file.txt has no folder entry of its own.
    {"the folder of a file entry", "no_folder.zip", "missing", {0}},
};

void PrintTo(const LinkCase& c, std::ostream* out) {
    *out << c.label;
}

class ZipLinks : public testing::TestWithParam<LinkCase> {};

TEST_P(ZipLinks, FailTheExtractionAndNothingIsWrittenWhereTheyLead) {
    ScratchDir scratch;
    const std::string elsewhere = scratch / "elsewhere";
    const std::string target = scratch / "target";
    ASSERT_TRUE(CreateDirectoryA(elsewhere.c_str(), nullptr));
    const std::string link = *GetParam().link ? target + "\\" + GetParam().link : target;
    if (*GetParam().link) {
        ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr));
    }
    ASSERT_TRUE(MakeFolderLink(link, elsewhere));
    ASSERT_TRUE(Attributes(link) & FILE_ATTRIBUTE_REPARSE_POINT);
    ProgressLog log;

    EXPECT_EQ(ExtractZip(FixturePath(GetParam().fixture), target, &ProgressLog::Record, &log), 0);

    EXPECT_EQ(log.values, GetParam().progress);
    EXPECT_EQ(ListTree(elsewhere), std::set<std::string>{});
    if (*GetParam().link) {
        EXPECT_EQ(ListTree(target), std::set<std::string>{GetParam().link});
    }
}

INSTANTIATE_TEST_SUITE_P(Where, ZipLinks, testing::ValuesIn(kLinks), ByLabel());

// The folders above the target are the user's choice: a link among them is followed.
TEST(ZipLinksAbove, TheTargetMayLieBelowALink) {
    ScratchDir scratch;
    const std::string elsewhere = scratch / "elsewhere";
    ASSERT_TRUE(CreateDirectoryA(elsewhere.c_str(), nullptr));
    ASSERT_TRUE(MakeFolderLink(scratch / "link", elsewhere));

    EXPECT_EQ(ExtractZip(FixturePath("payload.zip"), scratch / "link\\target", nullptr, nullptr),
              1);

    ExpectPayloadIn(elsewhere + "\\target");
}

} // namespace
