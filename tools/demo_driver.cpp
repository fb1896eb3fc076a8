// Drives one whole installation with the real setup.exe as a user would, for `make run`
// on a machine without a display: look at the idle window, click install, confirm the
// notice, watch the bar, see the completion picture, answer No. Prints each step and
// saves screenshots (24-bit BMP) into the given folder.
//
//   demo_driver.exe <setup.exe> <screenshot folder>
//
// Exit code 0 when the installation went through and setup.exe ended with 0.
#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "tools/driver/input.h"
#include "tools/driver/process.h"
#include "tools/driver/screen.h"
#include "tools/driver/setup_window.h"
#include "tools/driver/wait.h"
#include "tools/driver/window.h"

using namespace windriver;

namespace {

constexpr int kWaitMs = 60000;

void Say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

int Fail(const std::string& why) {
    Say("demo: " + why);
    return 1;
}

// The first line of a message text, for printing.
std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find('\r'));
}

bool Shoot(const RECT& area, const std::string& folder, const char* name, const char* what) {
    const std::string path = folder + "\\" + name;
    if (!SaveBmp(CaptureScreen(area), path)) {
        Say(std::string("   could not save the screenshot of ") + what);
        return false;
    }
    Say(std::string("   screenshot of ") + what + ": " + name);
    return true;
}

// Waits until the windows have painted everything and the screen shows `area` the same
// twice in a row: a window drawn only in part (text comes last, fonts load slowly on a
// first start) must not be what a screenshot keeps. Gives whether that happened in time.
bool WaitUntilPainted(const std::vector<HWND>& windows, const RECT& area) {
    Image last;
    return WaitUntil(
        [&] {
            for (HWND window : windows)
                if (!NothingLeftToPaint(window)) {
                    last = {};
                    return false;
                }
            Image now = CaptureScreen(area);
            const bool settled = !last.empty() && ShareDifferent(now, last, 0) == 0;
            last = std::move(now);
            return settled;
        },
        kWaitMs, 100);
}

RECT Union(const RECT& a, const RECT& b) {
    RECT both{};
    UnionRect(&both, &a, &b);
    return both;
}

int CountFiles(const std::string& dir) {
    int count = 0;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        count +=
            (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? CountFiles(dir + "\\" + name) : 1;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return count;
}

int Drive(const std::string& setupExe, const std::string& folder) {
    CreateDirectoryA(folder.c_str(), nullptr);
    MoveMouseTo(POINT{2, 2});

    Process setup = Process::Start(setupExe);
    if (!setup.started())
        return Fail(setup.error());
    Say("1. started setup.exe (pid " + std::to_string(setup.pid()) + ")");

    std::string problem;
    const auto ui = FindSetupWindow(setup.pid(), kWaitMs, &problem);
    if (!ui)
        return Fail(problem);
    const HWND window = ui->window;
    const RECT place = Describe(window).screen;
    Say("   window \"" + WindowText(window) + "\" at " + RectText(place));
    const std::string installDir = ui->InstallDirText();
    Say("   install directory: " + installDir);

    if (!WaitUntilPainted({window}, place))
        Say("   the window is still painting");
    Shoot(place, folder, "1-idle.bmp", "the idle window");

    Say("2. clicking the install button");
    RealClick(ToScreen(ui->installButton, ClientCentre(ui->installButton)));
    // The pointer leaves the button for a quiet part of the window, as a hand on its way to
    // the box that comes next would: the button then shows its normal face, not the hover
    // one. (Off every window, Wine never tells the button that the pointer left.)
    MoveMouseTo(ToScreen(ui->panel, POINT{120, 20}));
    const auto notice = WaitForMessageBox(setup.pid(), kWaitMs);
    if (!notice)
        return Fail("no box after the click");
    Say("   box \"" + notice->title + "\": " + FirstLine(notice->text));
    if (notice->title != kDefaultBoxTitle) {
        PressDialogButton(notice->hwnd, IDOK);
        return Fail("not the notice; the installation cannot start");
    }
    Say("   pressing OK");
    PressDialogButton(notice->hwnd, IDOK);

    Say("3. installing");
    // The bar is wanted part-way; should the extraction outrun the polling, the first
    // sight of the bar will do.
    Image firstSight;
    bool barShot = false;
    std::string lastStep;
    std::optional<MessageBoxInfo> question;
    WaitUntil(
        [&] {
            const std::string now = ui->StepText();
            if (now != lastStep)
                Say("   step: " + (lastStep = now));
            if (ui->BarShown() && !barShot) {
                const int position = ui->BarPosition();
                if (position > 0 && position < 100 && NothingLeftToPaint(window)) {
                    Say("   bar at " + std::to_string(position) + "%");
                    barShot = Shoot(place, folder, "2-progress.bmp", "the running bar");
                } else if (firstSight.empty()) {
                    firstSight = CaptureScreen(place);
                }
            }
            for (auto& box : MessageBoxes(setup.pid()))
                if (box.hwnd != notice->hwnd)
                    question = box;
            return question.has_value() || !setup.Running();
        },
        kWaitMs * 2, 2);
    if (!barShot && SaveBmp(firstSight, folder + "\\2-progress.bmp"))
        Say("   screenshot of the bar as it appeared: 2-progress.bmp");
    if (!question)
        return Fail("no box at the end of the installation");
    Say("   box \"" + question->title + "\": " + FirstLine(question->text));
    if (question->title != kQuestionTitle) {
        PressDialogButton(question->hwnd, IDOK);
        return Fail("the installation did not complete");
    }

    Say("4. completion");
    // The question opens over the window; set it beside the window so both show.
    MoveTopLevel(question->hwnd, POINT{place.right + 16, place.top});
    const RECT both = Union(place, Describe(question->hwnd).screen);
    if (!WaitUntilPainted({window, question->hwnd}, both))
        Say("   the windows are still painting");
    Shoot(both, folder, "3-completion.bmp", "the completion picture and the question");
    Say("   answering No");
    PressDialogButton(question->hwnd, IDNO);

    const auto code = setup.WaitForExit(kWaitMs);
    if (!code)
        return Fail("setup.exe did not end");
    Say("5. setup.exe ended with exit code " + std::to_string(static_cast<int>(*code)));
    Say("   installed into " + installDir + " (" + std::to_string(CountFiles(installDir)) +
        " files)");
    char desktop[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, FALSE);
    const std::string shortcut = std::string(desktop) + "\\Quillmere.lnk";
    if (GetFileAttributesA(shortcut.c_str()) != INVALID_FILE_ATTRIBUTES)
        Say("   desktop shortcut " + shortcut);
    return *code == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: demo_driver <setup.exe> <screenshot folder>\n");
        return 2;
    }
    CoInitialize(nullptr);
    const int result = Drive(argv[1], argv[2]);
    CoUninitialize();
    return result;
}
