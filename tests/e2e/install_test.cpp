// Whole installations with the real setup.exe, from the click to the end of the program.
// Runs without a drive D:, so the product goes to C:\Velmora软件\Quillmere.
#include "tests/e2e/setup_fixture.h"
#include "tests/support/product_process.h"

using namespace windriver;

namespace {

TEST_F(Install, AnsweredNoInstallsThePayloadAndStartsNothing) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    ASSERT_EQ(InstallDirText(), kInstallDirOnC);
    ClickInstall();

    const auto notice = WaitForMessageBox(setup.pid(), kBoxMs);
    ASSERT_TRUE(notice.has_value());
    EXPECT_FALSE(FileExists(StagedInTemp())) << "nothing is staged before the notice is dismissed";
    EXPECT_EQ(StepText(), "");
    ASSERT_NO_FATAL_FAILURE(ConfirmNotice());

    ProgressSeen seen;
    const MessageBoxInfo question = WaitForQuestion(&seen);
    ASSERT_NE(question.hwnd, nullptr);
    // The question comes after everything but the clean-up.
    ExpectStepsInOrder(seen.steps);
    ExpectPositionsInOrder(seen.positions);
    EXPECT_EQ(StepText(), kShortcutDoneStep);
    EXPECT_TRUE(BarShown());
    EXPECT_EQ(BarPosition(), 100);
    EXPECT_TRUE(FileExists(StagedInTemp())) << "staged in the temporary folder";
    EXPECT_FALSE(FileExists("C:\\tool.zip")) << "nothing staged at the drive root";
    ExpectCompletionPicture(question);
    EXPECT_TRUE(ProcessIdsNamed(kProductExe).empty());

    ASSERT_NO_FATAL_FAILURE(Answer(question, IDNO));
    ExpectExitCode(0);
    EXPECT_TRUE(ProcessIdsNamed(kProductExe).empty()) << "No starts nothing";
    ExpectNoStagedArchive();
    ExpectPayloadInstalled(kInstallDirOnC);
    ExpectShortcutToInstalledProduct(kInstallDirOnC);
}

TEST_F(Install, AnsweredYesStartsTheInstalledProduct) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    ClickInstall();
    ASSERT_NO_FATAL_FAILURE(ConfirmNotice());
    const MessageBoxInfo question = WaitForQuestion();
    ASSERT_NE(question.hwnd, nullptr);
    EXPECT_TRUE(ProcessIdsNamed(kProductExe).empty()) << "nothing starts before the answer";

    ASSERT_NO_FATAL_FAILURE(Answer(question, IDYES));
    ExpectExitCode(0);
    const auto products = ProcessIdsNamed(kProductExe);
    ASSERT_EQ(products.size(), 1u);
    EXPECT_TRUE(SameIgnoringAsciiCase(ProcessImagePath(products[0]),
                                      std::string(kInstallDirOnC) + "\\" + kProductExe))
        << ProcessImagePath(products[0]);
    EXPECT_NE(WaitForTopLevel(products[0], nullptr, "Quillmere", kStartMs), nullptr)
        << "the product shows its window";
    ExpectNoStagedArchive();
    ExpectPayloadInstalled(kInstallDirOnC);
    ExpectShortcutToInstalledProduct(kInstallDirOnC);
}

// setup.exe holds its staged archive from its writing to the end: no other process can
// change, rename or delete it in between; and a tool.zip that is not its own is left alone.
TEST_F(Install, HoldsItsStagedArchiveAndLeavesAStrangersOneAlone) {
    const std::string strangers = "C:\\tool.zip";
    WriteAll(strangers, "someone else's archive");
    ASSERT_NO_FATAL_FAILURE(Launch());
    ClickInstall();
    ASSERT_NO_FATAL_FAILURE(ConfirmNotice());
    const MessageBoxInfo question = WaitForQuestion();
    ASSERT_NE(question.hwnd, nullptr);

    const std::string staged = StagedInTemp();
    ASSERT_TRUE(FileExists(staged));
    HANDLE writer = CreateFileA(staged.c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE) << "opened for writing";
    if (writer != INVALID_HANDLE_VALUE)
        CloseHandle(writer);
    EXPECT_FALSE(MoveFileA(staged.c_str(), (staged + ".swapped").c_str())) << "renamed";
    EXPECT_FALSE(DeleteFileA(staged.c_str())) << "deleted";

    ASSERT_NO_FATAL_FAILURE(Answer(question, IDNO));
    ExpectExitCode(0);
    EXPECT_FALSE(FileExists(staged)) << "its own archive is deleted at the end";
    const std::string expected = "someone else's archive";
    EXPECT_EQ(ReadAll(strangers), std::vector<uint8_t>(expected.begin(), expected.end()));
    ExpectPayloadInstalled(kInstallDirOnC);
}

TEST_F(Install, StagesAtTheInstallDriveRootWhenTheTempFolderIsUnusable) {
    const std::string missing = scratch / "no-such-folder";
    ASSERT_NO_FATAL_FAILURE(Launch(missing));
    ClickInstall();
    ASSERT_NO_FATAL_FAILURE(ConfirmNotice());
    const MessageBoxInfo question = WaitForQuestion();
    ASSERT_NE(question.hwnd, nullptr);
    EXPECT_TRUE(FileExists("C:\\tool.zip")) << "staged at the root of the install drive";
    EXPECT_FALSE(DirExists(missing)) << "the installer makes no temporary folder";
    ExpectPayloadInstalled(kInstallDirOnC);

    ASSERT_NO_FATAL_FAILURE(Answer(question, IDNO));
    ExpectExitCode(0);
    EXPECT_FALSE(FileExists("C:\\tool.zip")) << "and deleted at the end";
    ExpectPayloadInstalled(kInstallDirOnC);
    ExpectShortcutToInstalledProduct(kInstallDirOnC);
}

TEST_F(Install, CloseMarkDuringTheQuestionEndsAtOnceAndStartsNothing) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    ClickInstall();
    ASSERT_NO_FATAL_FAILURE(ConfirmNotice());
    const MessageBoxInfo question = WaitForQuestion();
    ASSERT_NE(question.hwnd, nullptr);
    // The question belongs to the worker; the window itself still takes the mouse.
    EXPECT_TRUE(IsWindowEnabled(ui.window));
    ASSERT_TRUE(MoveTopLevel(question.hwnd, POINT{0, 0}));
    ASSERT_TRUE(RealClick(ToScreen(ui.closeMark, ClientCentre(ui.closeMark))));

    ExpectExitCode(0);
    EXPECT_TRUE(ProcessIdsNamed(kProductExe).empty());
    EXPECT_TRUE(FileExists(StagedInTemp())) << "the clean-up after the question never ran";
}

// ---- the product already running -----------------------------------------------------------

struct RunningCase {
    const char* name;
    const char* exeName; // the running copy's file name
    bool refused;
};

// Names the case in test listings, so ctest shows it instead of the bytes.
void PrintTo(const RunningCase& c, std::ostream* out) {
    *out << c.name;
}

class RunningProduct : public Install, public ::testing::WithParamInterface<RunningCase> {};

TEST_P(RunningProduct, RefusesOnlyTheProductsOwnNameIgnoringCase) {
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
    EXPECT_EQ(box->buttons, std::vector<int>{IDOK});
    ASSERT_NO_FATAL_FAILURE(Answer(*box, IDOK));
    EXPECT_TRUE(HoldsFor(
        [&] {
            return setup.Running() && NoBoxes() && StepText().empty() && !BarShown() &&
                   !FileExists(StagedInTemp()) && !DirExists(kInstallDirOnC);
        },
        kQuietMs))
        << "no notice and no worker";

    // Once the product is closed, the same window installs.
    TerminateProcessesNamed(GetParam().exeName);
    ClickInstall();
    const auto notice = WaitForMessageBox(setup.pid(), kBoxMs);
    ASSERT_TRUE(notice.has_value());
    EXPECT_EQ(notice->text, kNoticeText);
}

INSTANTIATE_TEST_SUITE_P(Names, RunningProduct,
                         ::testing::Values(RunningCase{"SameName", "Quillmere.exe", true},
                                           RunningCase{"UpperCase", "QUILLMERE.EXE", true},
                                           RunningCase{"MixedCase", "quillMERE.Exe", true},
                                           RunningCase{"ExtraSuffix", "Quillmere.exe.bak", false},
                                           RunningCase{"OtherProgram", "Quillmere2.exe", false}));

} // namespace
