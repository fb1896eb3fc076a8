// A package for catalogue entry 1 (Brightwick), made by `make package` from a folder of its
// own, installed whole by the real setup.exe under Wine: the product's folder, files and
// shortcut, the running-product check by its name, and the product started on Yes. Runs
// without a drive D:, so the product goes to C:\Velmora软件\Brightwick.
#include "tests/e2e/setup_fixture.h"
#include "tests/support/product_process.h"

using namespace windriver;

namespace {

// What the default installer would leave; a package for another entry leaves none of it.
constexpr char kDefaultInstallDir[] = "C:\\Velmora软件\\Quillmere";
constexpr char kDefaultShortcutName[] = "Quillmere";

using Package = Install;

TEST_F(Package, InstallsItsOwnProductAndStartsItOnYes) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    ASSERT_EQ(InstallDirText(), kInstallDirOnC);
    ClickInstall();
    ASSERT_NO_FATAL_FAILURE(ConfirmNotice());

    ProgressSeen seen;
    const MessageBoxInfo question = WaitForQuestion(&seen);
    ASSERT_NE(question.hwnd, nullptr);
    ExpectStepsInOrder(seen.steps);
    ExpectPositionsInOrder(seen.positions);
    EXPECT_TRUE(ProcessIdsNamed(kProductExe).empty()) << "nothing starts before the answer";

    ASSERT_NO_FATAL_FAILURE(Answer(question, IDYES));
    ExpectExitCode(0);
    const auto products = ProcessIdsNamed(kProductExe);
    ASSERT_EQ(products.size(), 1u);
    EXPECT_TRUE(SameIgnoringAsciiCase(ProcessImagePath(products[0]),
                                      std::string(kInstallDirOnC) + "\\" + kProductExe))
        << ProcessImagePath(products[0]);
    EXPECT_NE(WaitForTopLevel(products[0], nullptr, kProductName, kStartMs), nullptr)
        << "the product shows its window";
    ExpectPayloadInstalled(kInstallDirOnC);
    ExpectShortcutToInstalledProduct(kInstallDirOnC);
    ExpectNoStagedArchive();
    EXPECT_FALSE(DirExists(kDefaultInstallDir));
    EXPECT_FALSE(FileExists(DesktopShortcut(kDefaultShortcutName)));
}

struct RunningCase {
    const char* name;
    const char* exeName; // the running copy's file name
    bool refused;
};

void PrintTo(const RunningCase& c, std::ostream* out) {
    *out << c.name;
}

class RunningPackagedProduct : public Package, public ::testing::WithParamInterface<RunningCase> {};

// Only a running Brightwick keeps this installer from installing, whatever the case of
// its name; the default product running is no concern of it.
TEST_P(RunningPackagedProduct, RefusesOnlyItsOwnProduct) {
    RunningCopy product(scratch.path(), GetParam().exeName);
    ASSERT_TRUE(product.started()) << GetParam().exeName;
    ASSERT_NO_FATAL_FAILURE(Launch());
    ClickInstall();

    const auto box = WaitForMessageBox(setup.pid(), kBoxMs);
    ASSERT_TRUE(box.has_value());
    if (!GetParam().refused) {
        EXPECT_EQ(box->title, kDefaultBoxTitle);
        EXPECT_EQ(box->text, kNoticeText);
        return;
    }
    EXPECT_EQ(box->title, kRunningTitle);
    EXPECT_EQ(box->text, kRunningText);
    ASSERT_NO_FATAL_FAILURE(Answer(*box, IDOK));
    EXPECT_TRUE(HoldsFor(
        [&] { return setup.Running() && NoBoxes() && !BarShown() && !DirExists(kInstallDirOnC); },
        kQuietMs))
        << "no notice and no worker";
}

INSTANTIATE_TEST_SUITE_P(Names, RunningPackagedProduct,
                         ::testing::Values(RunningCase{"OwnName", "Brightwick.exe", true},
                                           RunningCase{"UpperCase", "BRIGHTWICK.EXE", true},
                                           RunningCase{"DefaultProduct", "Quillmere.exe", false}));

} // namespace
