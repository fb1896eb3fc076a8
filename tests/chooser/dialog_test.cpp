// The folder dialog behind the install directory of the real setup.exe: how it opens,
// what confirming and cancelling do to the install directory.
#include "tests/chooser/chooser_fixture.h"

using namespace windriver;

namespace {

// The dialog's button for making a folder: a shown button other than OK and Cancel.
HWND NewFolderButton(HWND dialog) {
    for (HWND child : ChildWindows(dialog))
        if (ClassName(child) == "Button" && IsWindowVisible(child) && GetDlgCtrlID(child) != IDOK &&
            GetDlgCtrlID(child) != IDCANCEL)
            return child;
    return nullptr;
}

// ---- opening ------------------------------------------------------------------------------

class ChooserDialog : public ChooserTest {};

TEST_F(ChooserDialog, PressOpensTheFolderDialogOwnedByTheDisabledMainWindow) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    ASSERT_TRUE(MainEnabled());
    const auto dialog = OpenChooser();
    ASSERT_NE(dialog, nullptr);
    const HWND window = dialog->window();

    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    EXPECT_EQ(owner, setup.pid()) << "a window of setup.exe itself";
    EXPECT_EQ(GetWindow(window, GW_OWNER), ui.window);
    EXPECT_FALSE(MainEnabled()) << "modal: the main window is disabled while the dialog is open";
    EXPECT_EQ(WindowText(window), kWineDialogTitle);

    const HWND prompt = ChildWithText(window, kChooserPrompt);
    ASSERT_NE(prompt, nullptr) << DumpChildren(window);
    EXPECT_TRUE(IsWindowVisible(prompt));
    const HWND edit = ChildOfClass(window, "Edit");
    ASSERT_NE(edit, nullptr) << DumpChildren(window);
    EXPECT_TRUE(IsWindowVisible(edit)) << "the edit box is asked for";
    EXPECT_TRUE(IsWindowVisible(dialog->tree()));
    const HWND newFolder = NewFolderButton(window);
    ASSERT_NE(newFolder, nullptr) << "no new-folder button among:\n" << DumpChildren(window);
    EXPECT_NE(WindowText(newFolder).find("新建文件夹"), std::string::npos) << WindowText(newFolder);
    EXPECT_NE(GetDlgItem(window, IDOK), nullptr);
    EXPECT_NE(GetDlgItem(window, IDCANCEL), nullptr);

    // Rooted at the desktop: one root, selected at the start, with the desktop
    // directory's folders and the computer's drives below it.
    const HTREEITEM root = dialog->Root();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(dialog->NextSibling(root), nullptr) << "a single root";
    EXPECT_EQ(dialog->Selected(), root);
    EXPECT_NE(dialog->ChildNamed(root, Wide(kChineseFolder)), nullptr) << dialog->Listing(root);
    EXPECT_NE(dialog->Drive('C'), nullptr) << dialog->Listing(root);

    ASSERT_NO_FATAL_FAILURE(CloseChooser(*dialog, IDOK));
    EXPECT_TRUE(MainEnabled());
}

TEST_F(ChooserDialog, OnlyFileSystemFoldersCanBeConfirmed) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    const auto dialog = OpenChooser();
    ASSERT_NE(dialog, nullptr);
    const HWND newFolder = NewFolderButton(dialog->window());
    ASSERT_NE(newFolder, nullptr);

    const struct {
        const char* what;
        HTREEITEM item;
        bool fileSystem;
    } cases[] = {
        {"the computer", dialog->Computer(), false},
        {"drive C:", dialog->Drive('C'), true},
        {"a folder on the desktop", dialog->Path({Wide(kChineseFolder)}), true},
        {"the computer again", dialog->Computer(), false},
        {"the desktop", dialog->Root(), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(dialog->Select(c.item));
        EXPECT_TRUE(
            WaitUntil([&] { return dialog->ButtonEnabled(IDOK) == c.fileSystem; }, kDialogMs))
            << "OK enabled: " << dialog->ButtonEnabled(IDOK);
        EXPECT_EQ(IsWindowEnabled(newFolder) != FALSE, c.fileSystem);
    }
    ASSERT_NO_FATAL_FAILURE(CloseChooser(*dialog, IDOK));
}

// ---- cancelling ---------------------------------------------------------------------------

const CancelBy kCancelWays[] = {CancelBy::Button, CancelBy::Command, CancelBy::Escape};

class ChooserCancel : public ChooserTest {};

TEST_F(ChooserCancel, LeavesTheDefaultCaption) {
    for (const CancelBy how : kCancelWays) {
        SCOPED_TRACE(CancelText(how));
        ASSERT_NO_FATAL_FAILURE(Launch());
        const auto dialog = OpenChooser();
        ASSERT_NE(dialog, nullptr);
        // A selection made and then abandoned does not count either.
        ASSERT_TRUE(dialog->Select(dialog->Path({Wide(kChineseFolder)})));
        ASSERT_NO_FATAL_FAILURE(CancelChooser(*dialog, how));
        EXPECT_EQ(ui.InstallDirText(), kInstallDirOnC);
    }
}

TEST_F(ChooserCancel, AfterAChoiceKeepsTheChosenFolder) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    ASSERT_NO_FATAL_FAILURE(ChooseFromDesktop({kChineseFolder}));
    const std::string chosen = OnDesktop(kChineseFolder) + "\\" + kProductName;
    ASSERT_EQ(ui.InstallDirText(), chosen);

    for (const CancelBy how : kCancelWays) {
        SCOPED_TRACE(CancelText(how));
        const auto dialog = OpenChooser();
        ASSERT_NE(dialog, nullptr);
        ASSERT_TRUE(dialog->Select(dialog->Path({Wide(kSpacedFolder)})));
        ASSERT_NO_FATAL_FAILURE(CancelChooser(*dialog, how));
        EXPECT_EQ(ui.InstallDirText(), chosen);
    }
}

// ---- choosing -----------------------------------------------------------------------------

class ChooserChoice : public ChooserTest {};

TEST_F(ChooserChoice, ConfirmingTheStartGivesTheDesktopFolder) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    const auto dialog = OpenChooser();
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(dialog->Selected(), dialog->Root());
    ASSERT_NO_FATAL_FAILURE(CloseChooser(*dialog, IDOK));
    // Wine hands back C:\users\<user>\Desktop, as the shell reports the desktop directory.
    EXPECT_EQ(ui.InstallDirText(), DesktopDir() + "\\" + kProductName);
}

TEST_F(ChooserChoice, AFolderGetsTheProductNameOnceHoweverOftenItIsChosen) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    // One after the other in one run: each caption comes from its folder alone.
    const std::vector<std::string> cases[] = {
        {kChineseFolder},
        {kChineseFolder, kDeeperFolder},
        {kSpacedFolder},
        {kChineseFolder},
    };
    for (const auto& names : cases) {
        std::string relative;
        for (const auto& name : names)
            relative += (relative.empty() ? "" : "\\") + name;
        SCOPED_TRACE(relative);
        const std::string expected = OnDesktop(relative) + "\\" + kProductName;
        for (int time = 1; time <= 2; ++time) {
            SCOPED_TRACE(time == 1 ? "first choice" : "same folder again");
            ASSERT_NO_FATAL_FAILURE(ChooseFromDesktop(names));
            EXPECT_EQ(ui.InstallDirText(), expected);
        }
    }
}

TEST_F(ChooserChoice, ADriveRootGetsASingleBackslash) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    for (const char drive : {'C', 'Z'}) {
        SCOPED_TRACE(std::string(1, drive) + ":");
        const auto dialog = OpenChooser();
        ASSERT_NE(dialog, nullptr);
        const HTREEITEM item = dialog->Drive(drive);
        ASSERT_NE(item, nullptr) << dialog->Listing(dialog->Computer());
        ASSERT_TRUE(dialog->Select(item));
        ASSERT_NO_FATAL_FAILURE(CloseChooser(*dialog, IDOK));
        EXPECT_EQ(ui.InstallDirText(), std::string(1, drive) + ":\\" + kProductName);
    }
}

TEST_F(ChooserChoice, ANameTheCodePageCannotSpellLeavesTheCaption) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    const auto dialog = OpenChooser();
    ASSERT_NE(dialog, nullptr);
    const HTREEITEM item = dialog->Path({kUnspellableFolder});
    ASSERT_NE(item, nullptr) << dialog->Listing(dialog->Root());
    ASSERT_TRUE(dialog->Select(item));
    ASSERT_TRUE(dialog->ButtonEnabled(IDOK)) << "a real folder, which the dialog hands back";
    ASSERT_NO_FATAL_FAILURE(CloseChooser(*dialog, IDOK));
    // Its ANSI name holds "?" in place of the letter: no usable path.
    EXPECT_EQ(ui.InstallDirText(), kInstallDirOnC);
}

TEST_F(ChooserChoice, AnItemWithoutAFolderPathLeavesTheCaption) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    ASSERT_NO_FATAL_FAILURE(ChooseFromDesktop({kSpacedFolder}));
    const std::string chosen = ui.InstallDirText();
    const auto dialog = OpenChooser();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(dialog->Select(dialog->Computer()));
    // OK is disabled for it; the command still makes the dialog hand the item back.
    ASSERT_NO_FATAL_FAILURE(CloseChooser(*dialog, IDOK, Press::Command));
    EXPECT_EQ(ui.InstallDirText(), chosen);
}

} // namespace
