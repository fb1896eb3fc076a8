// Whole installations with the real setup.exe into a folder picked in its folder dialog.
#include "tests/chooser/chooser_fixture.h"
#include "tests/support/payload_check.h"

using namespace windriver;

namespace {

class ChooserInstall : public ChooserTest {
protected:
    // Chooses the desktop folder and gives the install directory that follows from it.
    std::string ChooseTarget(const char* folder) {
        ChooseFromDesktop({folder});
        const std::string target = OnDesktop(folder) + "\\" + kProductName;
        EXPECT_EQ(Caption(), target);
        return target;
    }
};

TEST_F(ChooserInstall, AnsweredNoPutsFilesAndShortcutInTheChosenFolder) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    std::string target;
    ASSERT_NO_FATAL_FAILURE(target = ChooseTarget(kChineseFolder));

    const MessageBoxInfo question = InstallUpToTheQuestion();
    ASSERT_NE(question.hwnd, nullptr);
    ASSERT_NO_FATAL_FAILURE(Answer(question, IDNO));
    ExpectExitCode(0);

    ExpectPayloadInstalled(target, PAYLOAD_MANIFEST, kSamplePayloadEntries);
    ExpectShortcutTo(target + "\\" + kProductExe);
    ExpectNoStagedArchive();
    EXPECT_TRUE(ProcessIdsNamed(kProductExe).empty()) << "No starts nothing";
    if (initialCaption_ != target) {
        EXPECT_FALSE(DirExists(initialCaption_)) << "the default location stays untouched";
    }
}

TEST_F(ChooserInstall, AnsweredYesStartsTheProductFromTheChosenFolder) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    std::string target;
    ASSERT_NO_FATAL_FAILURE(target = ChooseTarget(kSpacedFolder));

    const MessageBoxInfo question = InstallUpToTheQuestion();
    ASSERT_NE(question.hwnd, nullptr);
    ASSERT_NO_FATAL_FAILURE(Answer(question, IDYES));
    ExpectExitCode(0);

    const std::string exe = target + "\\" + kProductExe;
    std::vector<DWORD> products;
    ASSERT_TRUE(
        WaitUntil([&] { return !(products = ProcessIdsNamed(kProductExe)).empty(); }, kStartMs))
        << "the product was not started";
    ASSERT_EQ(products.size(), 1u);
    EXPECT_TRUE(SameIgnoringAsciiCase(ProcessImagePath(products[0]), exe))
        << ProcessImagePath(products[0]);
    ExpectPayloadInstalled(target, PAYLOAD_MANIFEST, kSamplePayloadEntries);
    ExpectShortcutTo(exe);
    ExpectNoStagedArchive();
}

TEST_F(ChooserInstall, APressWhileTheQuestionIsOpenOpensNoDialog) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    std::string target;
    ASSERT_NO_FATAL_FAILURE(target = ChooseTarget(kChineseFolder));

    const MessageBoxInfo question = InstallUpToTheQuestion();
    ASSERT_NE(question.hwnd, nullptr);
    // The installation is still running, inside its last step. The question has no
    // owner, so the main window takes presses as at any other time.
    ASSERT_TRUE(MainEnabled());
    PressInstallDir();
    EXPECT_TRUE(HoldsFor(
        [&] { return FolderDialog::Find(setup_.pid()) == nullptr && MainEnabled(); }, kQuietMs))
        << "a folder dialog opened during the installation";
    EXPECT_EQ(Caption(), target);
    if (const HWND dialog = FolderDialog::Find(setup_.pid()))
        PressDialogButton(dialog, IDCANCEL);

    ASSERT_NO_FATAL_FAILURE(Answer(question, IDNO));
    ExpectExitCode(0);
    ExpectPayloadInstalled(target, PAYLOAD_MANIFEST, kSamplePayloadEntries);
    ExpectShortcutTo(target + "\\" + kProductExe);
}

} // namespace
