// A package for catalogue entry 1 (Brightwick), made by `make package` from a folder of its
// own, installed whole by the real setup.exe under Wine: the product's folder, files and
// shortcut, the running-product check by its name, and the product started on Yes. Runs
// without a drive D:, so the product goes to C:\Velmora软件\Brightwick.
#include "tests/e2e/setup_fixture.h"

using namespace windriver;

namespace {

// What the default installer would leave; a package for another entry leaves none of it.
constexpr char kDefaultInstallDir[] = "C:\\Velmora软件\\Quillmere";
constexpr char kDefaultShortcutName[] = "Quillmere";

using Package = Install;

TEST_F(Package, InstallsItsOwnProductAndStartsItOnYes) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    ASSERT_NO_FATAL_FAILURE(InstallAndAnswer(kInstallDirOnC, IDYES));
    EXPECT_FALSE(DirExists(kDefaultInstallDir));
    EXPECT_FALSE(FileExists(DesktopShortcut(kDefaultShortcutName)));
}

class RunningPackagedProduct : public Package, public ::testing::WithParamInterface<RunningCase> {};

// Only a running Brightwick keeps this installer from installing, whatever the case of
// its name; the default product running is no concern of it.
TEST_P(RunningPackagedProduct, RefusesOnlyItsOwnProduct) {
    ClickWhileRunningAs(GetParam().exeName, GetParam().refused);
}

INSTANTIATE_TEST_SUITE_P(Names, RunningPackagedProduct,
                         ::testing::Values(RunningCase{"OwnName", "Brightwick.exe", true},
                                           RunningCase{"UpperCase", "BRIGHTWICK.EXE", true},
                                           RunningCase{"DefaultProduct", "Quillmere.exe", false}));

} // namespace
