// One installation at a time, and an installation that fails: the real setup.exe keeps
// a second start out and stays usable after a failure. Runs without a drive D:.
#include "tests/e2e/setup_fixture.h"

using namespace windriver;

namespace {

class OneInstallAtATime : public Install {
protected:
    // Only the completion question is open, and it stays the only box.
    bool OnlyTheQuestion(HWND question) const {
        const auto boxes = Boxes();
        return boxes.size() == 1 && boxes[0].hwnd == question;
    }
};

TEST_F(OneInstallAtATime, ClickRightAfterTheNoticeIsIgnored) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    ClickInstall();
    ASSERT_NO_FATAL_FAILURE(ConfirmNotice());
    // The user clicks again at once, while the worker stages and extracts. The notice
    // disabled the window; a click before it is enabled again would never arrive.
    ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(ui.window) != FALSE; }, kBoxMs));
    ASSERT_TRUE(RealClick(ToScreen(ui.installButton, ClientCentre(ui.installButton))));

    const MessageBoxInfo question = WaitForQuestion();
    ASSERT_NE(question.hwnd, nullptr) << "a second notice would have come first";
    EXPECT_TRUE(HoldsFor([&] { return OnlyTheQuestion(question.hwnd); }, kQuietMs));
    ASSERT_NO_FATAL_FAILURE(Answer(question, IDNO));
    ExpectExitCode(0);
    ExpectPayloadInstalled(kInstallDirOnC);
    ExpectNoStagedArchive();
}

TEST_F(OneInstallAtATime, ButtonAndDirectoryPressesWhileTheQuestionIsOpenAreIgnored) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    ClickInstall();
    ASSERT_NO_FATAL_FAILURE(ConfirmNotice());
    const MessageBoxInfo question = WaitForQuestion();
    ASSERT_NE(question.hwnd, nullptr);
    // The question has no owner, so the window stays enabled and under the mouse.
    ASSERT_TRUE(IsWindowEnabled(ui.window));
    ASSERT_TRUE(MoveTopLevel(question.hwnd, POINT{0, 0}));

    const std::pair<const char*, HWND> targets[] = {
        {"install button", ui.installButton}, // would check, notify and start a worker
        {"install directory", ui.installDir}, // would open the folder dialog
    };
    for (const auto& [name, target] : targets) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(RealClick(ToScreen(target, ClientCentre(target))));
        EXPECT_TRUE(HoldsFor([&] { return OnlyTheQuestion(question.hwnd); }, kQuietMs))
            << "another box opened";
    }
    EXPECT_EQ(ui.InstallDirText(), kInstallDirOnC);

    ASSERT_NO_FATAL_FAILURE(Answer(question, IDNO));
    ExpectExitCode(0);
    ExpectPayloadInstalled(kInstallDirOnC);
    ExpectShortcutToInstalledProduct(kInstallDirOnC);
    ExpectNoStagedArchive();
}

// ---- a failed extraction ------------------------------------------------------------------

class FailedExtraction : public Install {
protected:
    void SetUp() override {
        Install::SetUp();
        // An exclusive handle on a file the archive brings, as a running copy of the
        // product or a virus scanner would hold it.
        CreateDirectoryA(kVendorDirOnC, nullptr);
        CreateDirectoryA(kInstallDirOnC, nullptr);
        lock_ = CreateFileA(LockedFile().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(lock_, INVALID_HANDLE_VALUE) << LockedFile();
    }

    void TearDown() override {
        Unlock();
        Install::TearDown();
    }

    static std::string LockedFile() { return std::string(kInstallDirOnC) + "\\" + kProductExe; }

    void Unlock() {
        if (lock_ != INVALID_HANDLE_VALUE)
            CloseHandle(lock_);
        lock_ = INVALID_HANDLE_VALUE;
    }

    // Clicks install, confirms the notice and takes the failure message.
    void RunIntoTheFailure() {
        ASSERT_NO_FATAL_FAILURE(Launch());
        ClickInstall();
        ASSERT_NO_FATAL_FAILURE(ConfirmNotice());
        const auto box = WaitForMessageBox(setup.pid(), kInstallMs);
        ASSERT_TRUE(box.has_value()) << "no message; step label \"" << ui.StepText() << "\"";
        ASSERT_EQ(box->text, kExtractFailedText) << box->title;
        EXPECT_EQ(box->title, kDefaultBoxTitle);
        EXPECT_EQ(box->buttons, std::vector<int>{IDOK});
        EXPECT_EQ(ui.StepText(), kExtractFailedStep);
        EXPECT_FALSE(ui.BarShown());
        ASSERT_NO_FATAL_FAILURE(Answer(*box, IDOK));

        EXPECT_TRUE(WaitUntil([&] { return !FileExists(StagedInTemp()); }, kBoxMs))
            << "the staged archive is deleted after a failure too";
        EXPECT_TRUE(HoldsFor([&] { return setup.Running() && NoBoxes(); }, kQuietMs))
            << "no completion question; the program stays open";
        EXPECT_EQ(ui.StepText(), kExtractFailedStep);
        EXPECT_FALSE(FileExists(DesktopShortcut(kProductName)));
        EXPECT_FALSE(FileExists("C:\\tool.zip"));
        EXPECT_TRUE(ProcessIdsNamed(kProductExe).empty());
    }

private:
    HANDLE lock_ = INVALID_HANDLE_VALUE;
};

TEST_F(FailedExtraction, IsReportedAndTheCloseMarkStillEndsTheProgram) {
    ASSERT_NO_FATAL_FAILURE(RunIntoTheFailure());
    ASSERT_TRUE(RealClick(ToScreen(ui.closeMark, ClientCentre(ui.closeMark))));
    ExpectExitCode(0);
}

TEST_F(FailedExtraction, CanBeRetriedOnceTheFileIsFree) {
    ASSERT_NO_FATAL_FAILURE(RunIntoTheFailure());
    Unlock();
    ClickInstall();
    ASSERT_NO_FATAL_FAILURE(ConfirmNotice());
    const MessageBoxInfo question = WaitForQuestion();
    ASSERT_NE(question.hwnd, nullptr);
    EXPECT_EQ(ui.StepText(), kShortcutDoneStep);
    ASSERT_NO_FATAL_FAILURE(Answer(question, IDNO));
    ExpectExitCode(0);
    ExpectPayloadInstalled(kInstallDirOnC);
    ExpectShortcutToInstalledProduct(kInstallDirOnC);
    ExpectNoStagedArchive();
}

} // namespace
