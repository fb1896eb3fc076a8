// Drives setup.exe from outside, as a user would, and times what a user waits for.
//
//   bench_setup_driver startup <runs> <program.exe>...
//       Starts the programs in turn, <runs> rounds after one untimed start of each, and
//       prints, per start, the time from CreateProcess to the first visible top-level
//       window of the new process, polled every millisecond, as startup_<n>_seconds with
//       n the program's place in the list. Also prints the memory of each program once
//       its window stands idle.
//   bench_setup_driver install <setup.exe> <temp folder> [breakdown]
//       One whole installation: click the install button, confirm the notice, and time
//       from the worker's start to the completion question; answer No. Samples the
//       memory of setup.exe meanwhile. With "breakdown" it also asks the progress bar
//       for its position while it runs, to tell extraction from completion; those
//       messages cost setup.exe's GUI thread a little, so such runs are not the timing.
//
// Every figure goes to standard output as "key=value" lines for tools/bench.sh.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "bench/bench_support.h"
#include "tools/driver/input.h"
#include "tools/driver/process.h"
#include "tools/driver/setup_window.h"
#include "tools/driver/window.h"

using namespace windriver;

namespace {

constexpr char kNoticeTitle[] = "信息：";
constexpr char kStagingStep[] = "1.释放压缩包..";
constexpr char kProductExe[] = "Quillmere.exe";
constexpr double kWindowTimeout = 60.0;
constexpr double kInstallTimeout = 300.0;
constexpr int kBoxTimeoutMs = 60000;

int Fail(const std::string& why) {
    std::printf("error=%s\n", why.c_str());
    std::fflush(stdout);
    return 1;
}

// Memory as the system reports it for another process. Under Wine the private figure is
// the process's anonymous resident memory plus swap, read from /proc: the closest thing
// Linux has to private bytes.
struct Memory {
    SIZE_T workingSet = 0;
    SIZE_T peakWorkingSet = 0;
    SIZE_T privateBytes = 0;
    SIZE_T peakCommit = 0;

    // Wine fills PrivateUsage only for the calling process; for another it gives the same
    // figure as PagefileUsage, which on Windows equals PrivateUsage (the commit charge).
    bool Sample(HANDLE process) {
        PROCESS_MEMORY_COUNTERS_EX counters{};
        counters.cb = sizeof counters;
        if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                                  sizeof counters))
            return false;
        workingSet = counters.WorkingSetSize;
        peakWorkingSet = counters.PeakWorkingSetSize;
        privateBytes = counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage;
        peakCommit = counters.PeakPagefileUsage;
        return true;
    }
};

void PrintMemory(const char* prefix, const Memory& memory) {
    std::printf("%s_working_set=%zu\n%s_peak_working_set=%zu\n%s_private=%zu\n", prefix,
                memory.workingSet, prefix, memory.peakWorkingSet, prefix, memory.privateBytes);
}

// Seconds from CreateProcess to the first visible top-level window of the process, or
// nullopt when none came. The process is left running.
std::optional<double> TimeToWindow(Process& process, const std::string& exe) {
    const double start = bench::Now();
    process = Process::Start(exe);
    if (!process.started())
        return std::nullopt;
    for (;;) {
        if (FindTopLevel(process.pid(), nullptr, nullptr))
            return bench::Now() - start;
        if (!process.Running() || bench::Now() - start > kWindowTimeout)
            return std::nullopt;
        Sleep(1);
    }
}

void EndProcess(Process& process) {
    process.Terminate();
    // Let Wine finish tearing the process down before the next start is timed.
    Sleep(200);
}

int Startup(const std::vector<std::string>& programs, int runs) {
    // One untimed start of each, so none pays for a cold file cache.
    for (const std::string& exe : programs) {
        Process process;
        if (!TimeToWindow(process, exe))
            return Fail("no window from " + exe);
        EndProcess(process);
    }
    for (int run = 0; run < runs; ++run) {
        for (size_t which = 0; which < programs.size(); ++which) {
            Process process;
            const auto seconds = TimeToWindow(process, programs[which]);
            if (!seconds)
                return Fail("no window from " + programs[which]);
            std::printf("startup_%zu_seconds=%.6f\n", which, *seconds);
            if (run == 0) {
                // What each program holds once its window stands idle, for comparison.
                Sleep(500);
                Memory idle;
                if (idle.Sample(process.handle())) {
                    const std::string prefix = "idle_" + std::to_string(which);
                    PrintMemory(prefix.c_str(), idle);
                }
            }
            std::fflush(stdout);
            EndProcess(process);
        }
    }
    return 0;
}

std::string DesktopShortcut() {
    char desktop[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, FALSE);
    return std::string(desktop) + "\\Quillmere.lnk";
}

// Asks the bar itself, a message to setup.exe's GUI thread: answered at once while that
// thread waits for messages, a little late while it carries out a property call.
bool BarAtEnd(HWND bar) {
    DWORD_PTR position = 0, maximum = 0;
    return (GetWindowLongA(bar, GWL_STYLE) & WS_VISIBLE) &&
           SendMessageTimeoutA(bar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 1000, &position) &&
           SendMessageTimeoutA(bar, PBM_GETRANGE, FALSE, 0, SMTO_ABORTIFHUNG, 1000, &maximum) &&
           maximum > 0 && position >= maximum;
}

bool IsFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int CountFiles(const std::string& dir) {
    const auto tree = bench::ListTree(dir);
    return static_cast<int>(std::count_if(tree.begin(), tree.end(),
                                          [](const bench::TreeEntry& e) { return !e.directory; }));
}

int Install(const std::string& setupExe, const std::string& tempFolder, bool breakdown) {
    if (!ProcessIdsNamed("setup.exe").empty() || !ProcessIdsNamed(kProductExe).empty())
        return Fail("setup.exe or the product is already running");
    bench::RemoveTree(tempFolder);
    CreateDirectoryA(tempFolder.c_str(), nullptr);
    DeleteFileA(DesktopShortcut().c_str());

    Process setup = Process::Start(setupExe, {{"TMP", tempFolder}, {"TEMP", tempFolder}});
    if (!setup.started())
        return Fail(setup.error());
    std::string problem;
    const auto ui = FindSetupWindow(setup.pid(), kBoxTimeoutMs, &problem);
    if (!ui)
        return Fail(problem);
    const HWND button = ui->installButton;
    const HWND step = ui->stepLabel;
    const HWND bar = ui->progressBar;
    const std::string installDir = ui->InstallDirText();
    if (installDir.size() < 4)
        return Fail("no install directory shown");
    bench::RemoveTree(installDir);

    Memory memory, peak;
    auto sample = [&] {
        if (!memory.Sample(setup.handle()))
            return;
        peak.workingSet = std::max(peak.workingSet, memory.workingSet);
        peak.peakWorkingSet = std::max(peak.peakWorkingSet, memory.peakWorkingSet);
        peak.privateBytes = std::max(peak.privateBytes, memory.privateBytes);
        peak.peakCommit = std::max(peak.peakCommit, memory.peakCommit);
    };
    sample();
    const Memory idle = memory;

    PostClick(button, ClientCentre(button));
    const auto notice = WaitForMessageBox(setup.pid(), kBoxTimeoutMs);
    if (!notice || notice->title != kNoticeTitle) {
        return Fail(notice ? "unexpected box " + notice->title : "no notice after the click");
    }
    sample();

    // The worker starts once the notice's MessageBoxA has returned. Under Wine without a
    // window manager that return comes a fixed 2 s after the box is gone (the X11 driver
    // waits for a window-manager reply that never comes), so the box's closing is no
    // start mark. The worker's first act is to set the step label, a millisecond after its
    // thread starts; the label is watched without sleeping until then.
    const double pressed = bench::Now();
    PressDialogButton(notice->hwnd, IDOK, Press::Command);
    std::optional<double> noticeGone;
    std::string firstStep;
    double start = 0;
    for (;;) {
        firstStep = WindowText(step);
        start = bench::Now();
        if (!noticeGone && !IsWindowVisible(notice->hwnd))
            noticeGone = start - pressed;
        if (!firstStep.empty())
            break;
        if (!setup.Running())
            return Fail("setup.exe ended before the worker started");
        if (start - pressed > kInstallTimeout)
            return Fail("the worker never set the step label");
        SwitchToThread();
    }
    // Seen late, the label already says what comes after staging: no start mark then.
    const bool startSeen = firstStep == kStagingStep;

    std::optional<double> question;
    std::optional<MessageBoxInfo> box;
    std::vector<std::pair<double, std::string>> steps{{0.0, firstStep}};
    // The bar reaches its end when the last entry is out; the completion follows.
    std::optional<double> barFull;
    // The extraction ends by moving the product folder, made under a name of its own, into
    // place in one rename, just before the final event: its appearing is an end mark that
    // asks setup.exe nothing, unlike the bar.
    std::optional<double> folderIn;
    int polls = 0;
    while (!question) {
        const double now = bench::Now() - start;
        const std::string text = WindowText(step);
        if (steps.back().second != text)
            steps.emplace_back(now, text);
        if (breakdown && !barFull && BarAtEnd(bar))
            barFull = bench::Now() - start;
        if (!folderIn && IsFolder(installDir))
            folderIn = bench::Now() - start;
        for (auto& found : MessageBoxes(setup.pid())) {
            if (found.hwnd != notice->hwnd) {
                question = bench::Now() - start;
                box = found;
            }
        }
        // Each sample is a wineserver request that reads /proc; every few polls is enough.
        if (++polls % 4 == 0)
            sample();
        if (!setup.Running())
            return Fail("setup.exe ended before the question");
        if (now > kInstallTimeout)
            return Fail("no question within the time bound");
        if (!question)
            Sleep(1);
    }
    if (box->title != kQuestionTitle)
        return Fail("unexpected box " + box->title);
    // The box is up: the installation's memory is all there now.
    Memory atQuestion;
    atQuestion.Sample(setup.handle());
    sample();
    PressDialogButton(box->hwnd, IDNO);
    const auto code = setup.WaitForExit(kBoxTimeoutMs);
    const int files = CountFiles(installDir);

    std::printf("install_start_seen=%d\n", startSeen ? 1 : 0);
    std::printf("install_seconds=%.6f\n", *question);
    if (noticeGone)
        std::printf("install_notice_closed_after_press=%.6f\n", *noticeGone);
    std::printf("install_worker_seen_after_press=%.6f\n", start - pressed);
    // When the step label changed, from the worker's start, for a breakdown (GBK text).
    for (const auto& [seconds, text] : steps)
        std::printf("install_step=%.6f %s\n", seconds, text.c_str());
    if (barFull)
        std::printf("install_bar_full=%.6f\n", *barFull);
    if (folderIn)
        std::printf("install_folder_in=%.6f\n", *folderIn);
    std::printf("install_polls=%d\n", polls);
    std::printf("install_exit=%ld\n", code ? static_cast<long>(*code) : -999L);
    std::printf("install_files=%d\n", files);
    PrintMemory("idle", idle);
    PrintMemory("question", atQuestion);
    // The peak figures of the system count between samples too (on Windows; Wine's peak
    // commit is the current value).
    std::printf("peak_working_set=%zu\npeak_private=%zu\n",
                std::max(peak.workingSet, peak.peakWorkingSet),
                std::max(peak.privateBytes, peak.peakCommit));
    std::fflush(stdout);

    bench::RemoveTree(installDir);
    DeleteFileA(DesktopShortcut().c_str());
    bench::RemoveTree(tempFolder);
    return code && *code == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    CoInitialize(nullptr);
    int result = 2;
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "startup" && argc >= 4)
        result = Startup(std::vector<std::string>(argv + 3, argv + argc),
                         std::max(1, std::atoi(argv[2])));
    else if (mode == "install" && (argc == 4 || (argc == 5 && std::string(argv[4]) == "breakdown")))
        result = Install(argv[2], argv[3], argc == 5);
    else
        std::fprintf(stderr,
                     "usage: bench_setup_driver startup <runs> <program.exe>...\n"
                     "       bench_setup_driver install <setup.exe> <temp folder> [breakdown]\n");
    CoUninitialize();
    return result;
}
