#pragma once
// The real setup.exe with its folder chooser, driven from outside: the setup fixture, plus
// a few folders of the test's own on the desktop to choose from, none of which is left
// behind.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/chooser/folder_dialog.h"
#include "tests/e2e/setup_fixture.h"

// What setup.exe's folder dialog shows (GBK at run time).
inline constexpr char kChooserPrompt[] = "请选择安装位置";
// The folder dialog's own title, as Wine's Chinese resources have it.
inline constexpr char kWineDialogTitle[] = "选择文件夹";

// Folders the tests make on the desktop, as paths below it.
inline constexpr char kChineseFolder[] = "选择测试";
inline constexpr char kDeeperFolder[] = "深一层"; // inside kChineseFolder
inline constexpr char kSpacedFolder[] = "Chooser 目标";
// A name that the GBK code page cannot spell: in ANSI it reads "Chooser?".
inline constexpr wchar_t kUnspellableFolder[] = L"Chooser\u0E01";

inline constexpr int kDialogMs = 20000;

// The ways a user cancels the folder dialog.
enum class CancelBy {
    Button,  // a click on Cancel
    Command, // the dialog's IDCANCEL command, as the close box or a shortcut sends it
    Escape,  // the Esc key, typed into the dialog
};
const char* CancelText(CancelBy how);

// The desktop directory as the shell reports it, without a trailing backslash.
std::wstring DesktopDirW();

class ChooserTest : public SetupTest {
protected:
    void SetUp() override;
    void TearDown() override;

    bool MainEnabled() const { return IsWindowEnabled(ui.window) != FALSE; }

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

    static std::string OnDesktop(const std::string& relative) {
        return DesktopDir() + "\\" + relative;
    }

private:
    // Waits until setup.exe's GUI thread has finished the press that opened the dialog.
    void WaitForTheChooserToEnd() const;
    static void RemoveDesktopFolders();
};
