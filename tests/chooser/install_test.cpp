// Whole installations with the real setup.exe, from the click to the end of the program:
// into the default location or a folder picked in its folder dialog, answered Yes or No.
// Runs without a drive D:, so the default location is C:\Velmora软件\Quillmere.
#include "tests/chooser/chooser_fixture.h"

using namespace windriver;

namespace {

struct InstallCase {
    const char* name;
    const char* chosenFolder; // on the desktop; null keeps the default location
    int answer;               // to the completion question
};

void PrintTo(const InstallCase& c, std::ostream* out) {
    *out << c.name;
}

class InstallInto : public ChooserTest, public ::testing::WithParamInterface<InstallCase> {};

TEST_P(InstallInto, PutsFilesAndShortcutThereAndStartsTheProductOnlyOnYes) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    std::string target = kInstallDirOnC;
    if (const char* folder = GetParam().chosenFolder) {
        ASSERT_NO_FATAL_FAILURE(ChooseFromDesktop({folder}));
        target = OnDesktop(folder) + "\\" + kProductName;
    }
    ASSERT_NO_FATAL_FAILURE(InstallAndAnswer(target, GetParam().answer));
    if (GetParam().chosenFolder) {
        EXPECT_FALSE(DirExists(kInstallDirOnC)) << "the default location stays untouched";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Places, InstallInto,
    ::testing::Values(InstallCase{"DefaultAnsweredNo", nullptr, IDNO},
                      InstallCase{"DefaultAnsweredYes", nullptr, IDYES},
                      InstallCase{"ChineseFolderAnsweredNo", kChineseFolder, IDNO},
                      InstallCase{"SpacedFolderAnsweredYes", kSpacedFolder, IDYES}));

class ChooserInstall : public ChooserTest {};

TEST_F(ChooserInstall, APressWhileTheQuestionIsOpenOpensNoDialog) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    ASSERT_NO_FATAL_FAILURE(ChooseFromDesktop({kChineseFolder}));
    const std::string target = OnDesktop(kChineseFolder) + "\\" + kProductName;
    ASSERT_EQ(ui.InstallDirText(), target);

    ClickInstall();
    ASSERT_NO_FATAL_FAILURE(ConfirmNotice());
    const MessageBoxInfo question = WaitForQuestion();
    ASSERT_NE(question.hwnd, nullptr);
    // The installation is still running, inside its last step. The question has no
    // owner, so the main window takes presses as at any other time.
    ASSERT_TRUE(MainEnabled());
    PressInstallDir();
    EXPECT_TRUE(HoldsFor(
        [&] { return FolderDialog::Find(setup.pid()) == nullptr && MainEnabled(); }, kQuietMs))
        << "a folder dialog opened during the installation";
    EXPECT_EQ(ui.InstallDirText(), target);
    if (const HWND dialog = FolderDialog::Find(setup.pid()))
        PressDialogButton(dialog, IDCANCEL);

    ASSERT_NO_FATAL_FAILURE(Answer(question, IDNO));
    ExpectExitCode(0);
    ExpectPayloadInstalled(target);
    ExpectShortcutToInstalledProduct(target);
}

} // namespace
