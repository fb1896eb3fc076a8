#include <gtest/gtest.h>

#include "core/catalogue.h"
#include "core/globals.h"
#include "tests/support/fake_runtime.h"
#include "ui/main_window.h"

namespace {

TEST(Catalogue, ListsTwentyFourProductsWithQuillmereEighteenth) {
    const TextArray list = SplitText(BrandCatalogue.productList);
    ASSERT_EQ(list.size(), 24u);
    EXPECT_EQ(list[17], "Quillmere");
    for (const auto& name : list)
        EXPECT_FALSE(name.empty());
    EXPECT_EQ(BrandCatalogue.vendorFolder, "Velmora软件\\");
}

TEST(DriveChoice, ThresholdIsAThousandWholeMegabytes) {
    const struct {
        uint64_t bytes;
        int64_t mb;
        const char* drive;
    } cases[] = {
        {0, 0, "C:\\"},
        {1048575999ull, 999, "C:\\"},
        {1048576000ull, 1000, "D:\\"},
        {1048576000ull + 1048575, 1000, "D:\\"},
        {5ull << 40, 5242880, "D:\\"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BytesToWholeMB(c.bytes), c.mb) << c.bytes;
        EXPECT_STREQ(ChooseInstallDrive(BytesToWholeMB(c.bytes)), c.drive) << c.bytes;
    }
}

TEST(DriveChoice, ComparisonIsSigned) {
    EXPECT_STREQ(ChooseInstallDrive(-1), "C:\\");
}

TEST(GetDriveFreeMB, FailedQueryGivesZero) {
    EXPECT_EQ(GetDriveFreeMB("q:"), 0);
    EXPECT_EQ(GetDriveFreeMB("not a drive"), 0);
}

TEST(GetDriveFreeMB, ReadsARealVolume) {
    EXPECT_GT(GetDriveFreeMB("c:"), 0);
}

class CreatedEvent : public ::testing::Test {
protected:
    void SetUp() override {
        InitGlobals();
        gFake.Reset();
        LoadWindow(MainWindow);
    }
    void TearDown() override { ReleaseGlobals(); }
};

TEST_F(CreatedEvent, SizesAndPlacesTheWindowFirst) {
    const std::vector<Call> expected = {
        Call::Of(Op::LoadWindow), Call::Set(主窗口, kPropWidth, 250),
        Call::Set(主窗口, kPropHeight, 400), Call::Set(主窗口, kPropTop, 300)};
    ASSERT_GE(gFake.calls.size(), 4u);
    EXPECT_EQ(std::vector<Call>(gFake.calls.begin(), gFake.calls.begin() + 4), expected);
    EXPECT_EQ(gFake.Number(主窗口, kPropLeft), 50) << "the left edge is never written";
}

TEST_F(CreatedEvent, WritesTheDefaultDirectoryForTheDriveThatHasRoom) {
    const std::string drive = ChooseInstallDrive(GetDriveFreeMB("d:"));
    EXPECT_EQ(gFake.Text(标签_安装目录, kPropCaption), drive + "Velmora软件\\Quillmere");
    EXPECT_EQ(gFake.CallsOn(标签_安装目录).size(), 1u);
}

TEST_F(CreatedEvent, FillsTheProductStateWithAnOwnCopy) {
    EXPECT_EQ(ProductIndex, 18);
    EXPECT_EQ(ProductList.size(), 24u);
    EXPECT_EQ(ProductName, "Quillmere");
    EXPECT_EQ(ProductListText.data(), BrandCatalogue.productList.data()) << "refers, not copies";
    EXPECT_NE(ProductName.data(), ProductList[17].data());
    TextArray().swap(ProductList);
    EXPECT_EQ(ProductName, "Quillmere");
}

TEST(Globals, ReleaseOnTheInitialStateLeavesNothing) {
    InitGlobals();
    EXPECT_TRUE(ProductList.empty());
    EXPECT_TRUE(ProductName.empty());
    ReleaseGlobals();
    EXPECT_TRUE(ProductList.empty());
    EXPECT_EQ(ProductList.capacity(), 0u);
    EXPECT_TRUE(ProductName.empty());
}

} // namespace
