#pragma once
// The real setup.exe with its folder chooser, driven from outside. Each test starts with
// no setup.exe or product running, a few folders of its own on the desktop to choose
// from, and leaves none of them, nor a shortcut or staged archive, behind.
#include <windows.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/chooser/folder_dialog.h"
#include "tests/support/shell_link.h"
#include "tests/support/test_files.h"
#include "tests/support/win_driver.h"

// What setup.exe shows (GBK at run time).
inline constexpr char kMainTitle[] = "安装程序";
inline constexpr char kChooserPrompt[] = "请选择安装位置";
inline constexpr char kNoticeTitle[] = "信息：";
inline constexpr char kQuestionTitle[] = "温馨提示：";
inline constexpr char kProductName[] = "Quillmere";
inline constexpr char kProductExe[] = "Quillmere.exe";
// The folder dialog's own title, as Wine's Chinese resources have it.
inline constexpr char kWineDialogTitle[] = "选择文件夹";

// Folders the tests make on the desktop, as paths below it.
inline constexpr char kChineseFolder[] = "选择测试";
inline constexpr char kDeeperFolder[] = "深一层"; // inside kChineseFolder
inline constexpr char kSpacedFolder[] = "Chooser 目标";
// A name that the GBK code page cannot spell: in ANSI it reads "Chooser?".
inline constexpr wchar_t kUnspellableFolder[] = L"Chooser\u0E01";

// Generous bounds for a loaded machine; a passing run never waits them out.
inline constexpr int kStartMs = 30000;
inline constexpr int kDialogMs = 20000;
inline constexpr int kInstallMs = 120000;
inline constexpr int kExitMs = 30000;
// How long "nothing opens" is watched for.
inline constexpr int kQuietMs = 1500;

// Control ids are the places in the window table.
enum SetupControlId : int {
    kPanelId = 1,
    kInstallButtonId = 6,
    kStepLabelId = 9,
    kInstallDirId = 10,
};

// The ways a user cancels the folder dialog.
enum class CancelBy {
    Button,  // a click on Cancel
    Command, // the dialog's IDCANCEL command, as the close box or a shortcut sends it
    Escape,  // the Esc key, typed into the dialog
};
const char* CancelText(CancelBy how);

std::string SetupExe();
// The desktop directory as the shell reports it, without a trailing backslash.
std::wstring DesktopDirW();

class ChooserTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts setup.exe (TMP and TEMP in a scratch folder) and finds its controls.
    // Use with ASSERT_NO_FATAL_FAILURE.
    void Launch();
    std::string Caption() const { return windriver::WindowText(installDir_); }
    bool MainEnabled() const { return IsWindowEnabled(main_) != FALSE; }

    // A left-button press on the install directory, as the label receives it.
    void PressInstallDir() const;
    // Presses the install directory and waits for the folder dialog; null (with a
    // failure) when none opens.
    std::unique_ptr<FolderDialog> OpenChooser() const;
    // Closes the dialog with OK or Cancel and waits until setup.exe's GUI thread has
    // finished the press that opened it, so the caption read next is the final one.
    void CloseChooser(const FolderDialog& dialog, int id,
                      windriver::Press how = windriver::Press::Click) const;
    // Cancels the dialog that way and waits as CloseChooser does.
    void CancelChooser(const FolderDialog& dialog, CancelBy how) const;
    // Opens the chooser, selects the folder reached by `names` from the desktop, checks
    // that the dialog took the selection, and confirms it.
    void ChooseFromDesktop(const std::vector<std::string>& names) const;

    // Clicks the install button, answers the notice and waits for the completion
    // question, which it returns.
    windriver::MessageBoxInfo InstallUpToTheQuestion();
    void Answer(const windriver::MessageBoxInfo& box, int id) const;
    void ExpectExitCode(DWORD expected) const;
    void ExpectShortcutTo(const std::string& exe) const;
    void ExpectNoStagedArchive() const;

    static std::string OnDesktop(const std::string& relative) {
        return DesktopDir() + "\\" + relative;
    }

    windriver::Process setup_;
    HWND main_ = nullptr;
    HWND installDir_ = nullptr;
    HWND installButton_ = nullptr;
    std::string initialCaption_;

private:
    // Waits until setup.exe's GUI thread has finished the press that opened the dialog.
    void WaitForTheChooserToEnd() const;
    static void RemoveLeftovers();
    void RemoveDefaultInstallIfNew() const;

    ScratchDir scratch_{"chooser"};
    std::string tempDir_;
    bool defaultExisted_ = false;
};
