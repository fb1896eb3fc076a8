// The default install location on a machine whose drive D: has room. Runs with a drive
// D: on the build machine's disk (tests/e2e/with-drive.sh on).
#include "tests/e2e/setup_fixture.h"

namespace {

using DefaultLocation = SetupTest;

TEST_F(DefaultLocation, IsOnDriveDWhenItHasAtLeast1000MBFree) {
    ULARGE_INTEGER available{}, total{}, totalFree{};
    ASSERT_TRUE(GetDiskFreeSpaceExA("d:", &available, &total, &totalFree))
        << "this test needs a prefix with drive D:";
    ASSERT_GE(totalFree.QuadPart, 1048576000ull);

    ASSERT_NO_FATAL_FAILURE(Launch());
    EXPECT_EQ(ui.InstallDirText(), kInstallDirOnD);
}

} // namespace
