// Installations with the real setup.exe that stage their archive in other ways or end
// otherwise than by an answer, and the product already running. Whole installations
// answered Yes or No are a table of their own (tests/chooser/install_test.cpp). Runs
// without a drive D:, so the product goes to C:\Velmora软件\Quillmere.
#include "tests/e2e/setup_fixture.h"

using namespace windriver;

namespace {

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

class RunningProduct : public Install, public ::testing::WithParamInterface<RunningCase> {};

TEST_P(RunningProduct, RefusesOnlyTheProductsOwnNameIgnoringCase) {
    ClickWhileRunningAs(GetParam().exeName, GetParam().refused);
}

INSTANTIATE_TEST_SUITE_P(Names, RunningProduct,
                         ::testing::Values(RunningCase{"SameName", "Quillmere.exe", true},
                                           RunningCase{"UpperCase", "QUILLMERE.EXE", true},
                                           RunningCase{"MixedCase", "quillMERE.Exe", true},
                                           RunningCase{"ExtraSuffix", "Quillmere.exe.bak", false},
                                           RunningCase{"OtherProgram", "Quillmere2.exe", false}));

} // namespace
