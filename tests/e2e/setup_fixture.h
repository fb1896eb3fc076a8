#pragma once
// The real setup.exe, started and watched from outside. Every test begins and ends with a
// clean machine: no setup.exe or product running, no install directory, no desktop
// shortcut, no staged archive. The build names the installer (SETUP_EXE), its product
// (PRODUCT_NAME) and its payload (PAYLOAD_MANIFEST, PAYLOAD_ENTRIES entries), so the same
// fixture drives the default installer and packages for other products.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/payload_check.h"
#include "tests/support/shell_link.h"
#include "tests/support/test_files.h"
#include "tools/driver/input.h"
#include "tools/driver/process.h"
#include "tools/driver/screen.h"
#include "tools/driver/setup_window.h"
#include "tools/driver/text.h"
#include "tools/driver/wait.h"
#include "tools/driver/window.h"

// What the user reads, byte for byte (GBK at run time), besides the titles the driver
// finds windows and boxes by (tools/driver/setup_window.h).
inline constexpr char kCloseMark[] = "×";
inline constexpr char kDirCaption[] = "安装目录：";
inline constexpr char kProductName[] = PRODUCT_NAME;
inline constexpr char kInstallDirOnC[] = "C:\\Velmora软件\\" PRODUCT_NAME;
inline constexpr char kInstallDirOnD[] = "D:\\Velmora软件\\" PRODUCT_NAME;
inline constexpr char kVendorDirOnC[] = "C:\\Velmora软件";
inline constexpr char kNoticeText[] =
    "由于系列正版软件都作了加壳加密处理\r\n如果部分杀毒软件提示警告，请允许即可！\r\n\r\n"
    "软件干净无毒无木马~~支持正版 谢谢大家\r\n"
    "软件安装好后，建议把安装的软件目录加入杀毒软件信任，再运行软件，以免影响部分功能使用。\r\n"
    "可以阅读软件安装说明";
inline constexpr char kQuestionText[] =
    "安装完成！\r\n点<是>将启动软件\r\n点<否>不启动,可以在桌面启动软件";
inline constexpr char kRunningTitle[] = PRODUCT_NAME "<没有关闭>";
inline constexpr char kRunningText[] = "请先关闭原来的软件再开始安装，否则无法安装！";
inline constexpr char kExtractFailedText[] =
    "解压失败！请确认安装目录可以写入、磁盘空间足够，并关闭正在使用其中文件的程序，再重试";
inline constexpr char kStagingStep[] = "1.释放压缩包..";
inline constexpr char kExtractingStep[] = "2.开始解压..";
inline constexpr char kExtractFailedStep[] = "2.解压..失败";
inline constexpr char kShortcutDoneStep[] = "3.创建快捷方式..成功";
inline constexpr char kProductExe[] = PRODUCT_NAME ".exe";
inline constexpr size_t kPayloadEntries = PAYLOAD_ENTRIES;

// Generous bounds for a loaded machine; a passing run never waits them out.
inline constexpr int kStartMs = 30000;
inline constexpr int kBoxMs = 30000;
inline constexpr int kInstallMs = 120000;
inline constexpr int kExitMs = 30000;
// How long "nothing happens" is watched for.
inline constexpr int kQuietMs = 1500;

// What a watcher saw of the step label and the bar while an installation ran.
struct ProgressSeen {
    std::vector<std::string> steps; // each new text of the step label, in order
    std::vector<int> positions;     // each new bar position while the bar was shown
};

std::string SetupExe();
std::string PicturePath(const char* file);

class SetupTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts setup.exe with TMP and TEMP pointing at `tempFolder` and finds its window.
    // Use with ASSERT_NO_FATAL_FAILURE.
    void Launch(const std::string& tempFolder);
    void Launch() { Launch(tempDir); }

    std::vector<windriver::MessageBoxInfo> Boxes() const {
        return windriver::MessageBoxes(setup.pid());
    }
    bool NoBoxes() const { return Boxes().empty(); }

    // A click on the install button as the window sees it (posted press and release).
    void ClickInstall() const;
    // Waits for the notice, checks it and answers OK.
    void ConfirmNotice();
    // Waits for the completion question and checks it, watching the progress meanwhile.
    windriver::MessageBoxInfo WaitForQuestion(ProgressSeen* seen = nullptr);
    // Answers a box and waits until it is gone.
    void Answer(const windriver::MessageBoxInfo& box, int id);
    // The exit code of setup.exe once it has ended.
    void ExpectExitCode(DWORD expected);

    // A whole installation into `dir`, the install directory the window shows, from the
    // click on the install button to the end of setup.exe, answering the completion
    // question with `answer` (IDYES or IDNO). Checks what the user sees on the way (the
    // notice, the steps, the bar, the completion picture, the question) and what is left
    // at the end: the payload, the shortcut, no staged archive, and the installed product
    // running after Yes and nothing after No. Use with ASSERT_NO_FATAL_FAILURE.
    void InstallAndAnswer(const std::string& dir, int answer);
    // With a copy of the product running under the file name `exeName`, a click on the
    // install button is refused with the running-product box, after which nothing
    // happens until the copy ends, or, when not `refused`, goes on to the notice.
    void ClickWhileRunningAs(const std::string& exeName, bool refused);

    // The step texts seen come in the installation's order and end with the shortcut's
    // success; the bar only moves forward, in the steps of the payload's entries, to 100.
    static void ExpectStepsInOrder(const std::vector<std::string>& seen);
    static void ExpectPositionsInOrder(const std::vector<int>& seen);
    // With the question open, the install button shows the completion picture. Moves
    // the question aside first, since it opens over the window.
    void ExpectCompletionPicture(const windriver::MessageBoxInfo& question) const;

    // The files of the payload, whole, writable and with their stored times.
    void ExpectPayloadInstalled(const std::string& dir) const;
    void ExpectShortcutToInstalledProduct(const std::string& dir) const;
    // No tool.zip in the temporary folder given to setup.exe or at the root of drive C:.
    void ExpectNoStagedArchive() const;
    std::string StagedInTemp() const { return tempDir + "\\tool.zip"; }

    static void RemoveLeftovers();

    ScratchDir scratch{"e2e"};
    std::string tempDir;
    windriver::Process setup;
    windriver::SetupWindow ui;
};

// Tests that run an installation.
class Install : public SetupTest {};

// A copy of the product running under a file name, and whether that keeps the
// installer from installing.
struct RunningCase {
    const char* name;
    const char* exeName;
    bool refused;
};
// Names the case in test listings, so ctest shows it instead of the bytes.
void PrintTo(const RunningCase& c, std::ostream* out);
