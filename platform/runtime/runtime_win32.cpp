// The process side of the GUI runtime: start-up, the message loop, requests carried from
// other threads to the GUI thread, message boxes, threads and the one way out.
#include <windows.h>

#include <commctrl.h>
#include <ole2.h>

#include <new>

#include "platform/os/system_library.h"
#include "platform/runtime/control_properties.h"
#include "platform/runtime/control_windows.h"
#include "platform/runtime/runtime.h"
#include "platform/runtime/startup.h"
#include "platform/runtime/state.h"
#include "platform/runtime/window_builder.h"
#include "platform/runtime/window_messages.h"
#include "platform/zip/extract.h"

namespace {
constexpr char kCourierClass[] = "InstallerCourier";
constexpr char kDefaultBoxTitle[] = "信息：";
constexpr char kFatalTitle[] = "安装程序 - 运行错误";
constexpr char kFatalIntro[] = "安装程序遇到无法继续的错误，即将退出。";
constexpr char kNoMemory[] = "无法为文本获得内存。";
constexpr char kNoStart[] = "安装程序无法启动：窗口系统不可用。";
constexpr char kNoSuchControl[] = "访问了不存在的控件。";
constexpr char kNotAnArchiveControl[] = "该控件不是 ZIP 压缩组件。";
// How long the way out waits for running extractions to put their targets back: the
// program must still end promptly after the user closes it.
constexpr unsigned kExtractionStopMs = 1500;

bool OnGuiThread() {
    DWORD gui = gRuntime.guiThread;
    return gui == 0 || gui == GetCurrentThreadId();
}

[[noreturn]] void WaitForTheEnd() {
    for (;;)
        Sleep(INFINITE);
}

// Steps of the exit on the GUI thread: extractions stopped, clean-up once, windows, OLE,
// end. An extraction on the worker is asked to undo what it wrote first, so that the end
// never leaves a half-replaced target behind.
[[noreturn]] void EndOnGuiThread(int code) {
    RuntimeState& runtime = gRuntime;
    runtime.exiting = true;
    StopExtractions(kExtractionStopMs);
    if (auto routine = runtime.cleanup.exchange(nullptr))
        routine();
    DestroyLoadedWindow();
    if (HWND courier = runtime.courier.exchange(nullptr))
        DestroyWindow(courier);
    if (runtime.oleInitialised)
        OleUninitialize();
    ExitProcess(static_cast<UINT>(code));
}

// The send returns only when the GUI thread could not take the request: either it is
// already ending the process, or it is gone and this thread must end it.
[[noreturn]] void HandExitToGuiThread(int code) {
    RuntimeState& runtime = gRuntime;
    if (!runtime.exiting) {
        if (HWND courier = runtime.courier)
            SendMessageA(courier, kMsgCarryExit, static_cast<WPARAM>(static_cast<INT_PTR>(code)),
                         0);
    }
    if (runtime.exiting)
        WaitForTheEnd();
    StopExtractions(kExtractionStopMs);
    ExitProcess(static_cast<UINT>(code));
}

LRESULT CALLBACK CourierProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case kMsgCarryProperty:
        CarryOutProperty(*reinterpret_cast<PropertyCall*>(lParam));
        return 0;
    case kMsgCarryExit:
        if (!gRuntime.exiting)
            EndOnGuiThread(static_cast<int>(static_cast<INT_PTR>(wParam)));
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool CreateCourier(HINSTANCE instance) {
    WNDCLASSEXA type{};
    type.cbSize = sizeof type;
    type.lpfnWndProc = CourierProc;
    type.hInstance = instance;
    type.lpszClassName = kCourierClass;
    if (!RegisterClassExA(&type) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return false;
    gRuntime.courier = CreateWindowExA(0, kCourierClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                       instance, nullptr);
    return gRuntime.courier != nullptr;
}

std::string ProgramPath() {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size())
            return path.substr(0, length);
        path.resize(path.size() * 2);
    }
}

// The folder keeps its trailing backslash, so that a drive root stays "C:\". A GBK trail
// byte may be 0x5C, hence the walk by characters.
void EnterProgramFolder() {
    std::string path = ProgramPath();
    const char* text = path.c_str();
    const char* separator = nullptr;
    for (const char* p = text; *p; p = CharNextA(p))
        if (*p == '\\')
            separator = p;
    if (!separator)
        return;
    path.resize(static_cast<size_t>(separator - text) + 1);
    SetCurrentDirectoryA(path.c_str());
}

// Copies `part` into `buffer` at `at`, cut to fit with room for the NUL; gives the end.
template <size_t N> size_t AppendTo(char (&buffer)[N], size_t at, const char* part) {
    while (part && *part && at + 1 < N)
        buffer[at++] = *part++;
    buffer[at] = '\0';
    return at;
}

// The program uses no exceptions, so a failed allocation ends it here.
void ReportNoMemory() {
    FatalRuntimeError(kNoMemory);
}

void Carry(PropertyCall& call) {
    if (!IsControlId(call.control))
        FatalRuntimeError(kNoSuchControl);
    if (OnGuiThread()) {
        CarryOutProperty(call);
    } else if (HWND courier = gRuntime.courier) {
        SendMessageA(courier, kMsgCarryProperty, 0, reinterpret_cast<LPARAM>(&call));
    }
}

int AnswerOf(int id) {
    switch (id) {
    case IDOK:
        return kAnswerOk;
    case IDABORT:
        return kAnswerAbort;
    case IDRETRY:
    case IDTRYAGAIN:
        return kAnswerRetry;
    case IDIGNORE:
    case IDCONTINUE:
        return kAnswerIgnore;
    case IDYES:
        return kAnswerYes;
    case IDNO:
        return kAnswerNo;
    }
    return kAnswerCancel; // IDCANCEL, a box closed otherwise, or none shown at all
}

DWORD WINAPI RunRoutine(void* routine) {
    reinterpret_cast<void (*)()>(routine)();
    return 0;
}

// comctl32 is not a known DLL of the system, so it is not imported: the loader would look
// for it beside setup.exe first.
void RegisterProgressBarClass() {
    using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    const INITCOMMONCONTROLSEX common{sizeof common, ICC_PROGRESS_CLASS};
    if (auto init = SystemFunction<InitFn>("comctl32.dll", "InitCommonControlsEx"))
        init(&common);
}

void DeliverProgress(void* bindings, int percent) {
    Raise(static_cast<const EventBindings*>(bindings)->progress, percent);
}
} // namespace

void PrepareRuntime() {
    HardenDllSearch();
    RuntimeState& runtime = gRuntime;
    runtime.guiThread = GetCurrentThreadId();
    std::set_new_handler(ReportNoMemory);
    runtime.oleInitialised = SUCCEEDED(OleInitialize(nullptr));
    EnterProgramFolder();
    RegisterProgressBarClass();
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!RegisterControlClasses(instance) || !CreateCourier(instance))
        FatalRuntimeError(kNoStart);
}

void RegisterCleanup(void (*routine)()) {
    gRuntime.cleanup = routine;
}

void RunMessageLoop() {
    if (gRuntime.openWindows == 0)
        return;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void ExitProgram(int code) {
    if (OnGuiThread())
        EndOnGuiThread(code);
    HandExitToGuiThread(code);
}

void FatalRuntimeError(const char* what) {
    // A fixed buffer: this may be reporting that memory ran out.
    char text[1024];
    AppendTo(text, AppendTo(text, AppendTo(text, 0, kFatalIntro), "\r\n\r\n"), what);
    MessageBoxA(nullptr, text, kFatalTitle, MB_OK | MB_ICONERROR | MB_TASKMODAL);
    gRuntime.cleanup = nullptr;
    ExitProgram(-1);
}

void SetControlProperty(ControlId control, int index, long long value) {
    PropertyCall call{
        .control = control, .index = index, .op = PropertyOp::SetNumber, .number = value};
    Carry(call);
}

void SetControlProperty(ControlId control, int index, const std::string& text) {
    PropertyCall call{.control = control, .index = index, .op = PropertyOp::SetText, .text = &text};
    Carry(call);
}

void SetControlProperty(ControlId control, int index, ByteView picture) {
    PropertyCall call{
        .control = control, .index = index, .op = PropertyOp::SetPicture, .picture = picture};
    Carry(call);
}

PropertyValue GetControlProperty(ControlId control, int index) {
    PropertyCall call{.control = control, .index = index, .op = PropertyOp::Get};
    Carry(call);
    return std::move(call.result);
}

void* GetWindowHandle() {
    const auto& controls = gRuntime.controls;
    return controls.empty() ? nullptr : controls[0].window;
}

int ShowMessageBox(const std::string& text, unsigned style, const char* title) {
    if (!(style & MB_SYSTEMMODAL))
        style |= MB_TASKMODAL;
    return AnswerOf(MessageBoxA(nullptr, text.c_str(), title ? title : kDefaultBoxTitle, style));
}

int ExtractArchive(ControlId zip, const StagedFile& archive, const std::string& target) {
    if (!IsControlId(zip) || gRuntime.controls[zip].desc->kind != ControlKind::Zip)
        FatalRuntimeError(kNotAnArchiveControl);
    // The bindings live in the window's description, which outlasts the runtime's tables.
    const EventBindings* bindings = &gRuntime.controls[zip].desc->on;
    return ExtractZipFromHandle(archive.Handle(), target, DeliverProgress,
                                const_cast<EventBindings*>(bindings));
}

bool StartThread(void (*routine)()) {
    if (!routine)
        return false;
    UniqueHandle thread(
        CreateThread(nullptr, 0, RunRoutine, reinterpret_cast<void*>(routine), 0, nullptr));
    return static_cast<bool>(thread);
}
