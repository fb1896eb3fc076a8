#include "tests/support/fake_runtime.h"

#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "platform/zip/extract.h"
#include "ui/main_window.h"

FakeRuntime gFake;

namespace {
std::recursive_mutex gMutex;

const ControlDesc& Describe(ControlId control) {
    return MainWindow.controls[control];
}

std::string Name(ControlId control) {
    return Describe(control).name;
}

void Record(std::string line) {
    std::lock_guard lock(gMutex);
    gFake.log.push_back(std::move(line));
}

void LoadDesignedProperties() {
    for (size_t i = 0; i < MainWindow.controls.size(); ++i) {
        const ControlDesc& c = MainWindow.controls[i];
        const auto id = static_cast<ControlId>(i);
        gFake.properties[{id, kPropLeft}].number = c.left;
        gFake.properties[{id, kPropTop}].number = c.top;
        gFake.properties[{id, kPropWidth}].number = c.width;
        gFake.properties[{id, kPropHeight}].number = c.height;
        gFake.properties[{id, kPropVisible}].number = c.shown;
        gFake.properties[{id, kPropCaption}].text = c.caption ? c.caption : "";
        gFake.properties[{id, kPropMaximum}].number = c.maximum;
    }
}

void ForwardProgress(void* context, int percent) {
    auto handler = reinterpret_cast<void (*)(int)>(context);
    if (handler)
        handler(percent);
}
} // namespace

void FakeRuntime::Reset() {
    *this = FakeRuntime();
    LoadDesignedProperties();
}

long long FakeRuntime::Number(ControlId control, int index) const {
    auto it = properties.find({control, index});
    return it == properties.end() ? 0 : it->second.number;
}

std::string FakeRuntime::Text(ControlId control, int index) const {
    auto it = properties.find({control, index});
    return it == properties.end() ? std::string() : it->second.text;
}

std::vector<std::string> FakeRuntime::Lines(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const auto& line : log)
        if (line.rfind(prefix, 0) == 0)
            found.push_back(line);
    return found;
}

bool FakeRuntime::Logged(const std::string& line) const {
    return std::find(log.begin(), log.end(), line) != log.end();
}

namespace {
// The flow that RunUntilExit runs on the current thread, if any.
struct Flow {
    const std::function<void()>* routine;
    APTTYPE apartment;
    bool hasApartment;
    int code = kReturned;
};
thread_local Flow* tCurrentFlow = nullptr;

DWORD WINAPI RunFlow(void* context) {
    auto* flow = static_cast<Flow*>(context);
    if (flow->hasApartment)
        CoInitializeEx(nullptr, flow->apartment == APTTYPE_MTA ? COINIT_MULTITHREADED
                                                               : COINIT_APARTMENTTHREADED);
    tCurrentFlow = flow;
    (*flow->routine)();
    return 0;
}

// Ends the flow's thread, as the real runtime ends the process.
[[noreturn]] void EndFlow(int code) {
    if (!tCurrentFlow) {
        std::fprintf(stderr, "the program ended outside RunUntilExit (code %d)\n", code);
        std::abort();
    }
    tCurrentFlow->code = code;
    ExitThread(0);
}
} // namespace

int RunUntilExit(const std::function<void()>& routine) {
    Flow flow{&routine, APTTYPE_STA, false};
    APTTYPEQUALIFIER qualifier;
    flow.hasApartment = CoGetApartmentType(&flow.apartment, &qualifier) == S_OK &&
                        qualifier != APTTYPEQUALIFIER_IMPLICIT_MTA;
    HANDLE thread = CreateThread(nullptr, 0, RunFlow, &flow, 0, nullptr);
    if (!thread)
        std::abort();
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    return flow.code;
}

void PrepareRuntime() {
    Record("prepare");
}
void RegisterCleanup(void (*)()) {
    Record("register cleanup");
}
void LoadWindow(const WindowDesc&) {
    Record("load window");
    if (MainWindow.controls[主窗口].on.created)
        MainWindow.controls[主窗口].on.created();
}
void RunMessageLoop() {
    Record("message loop");
}

void ExitProgram(int code) {
    Record("exit " + std::to_string(code));
    EndFlow(code);
}

void FatalRuntimeError(const char* what) {
    Record(std::string("fatal ") + what);
    {
        std::lock_guard lock(gMutex);
        gFake.fatalError = what;
    }
    EndFlow(-1);
}

void SetControlProperty(ControlId control, int index, long long value) {
    Record("set " + Name(control) + "[" + std::to_string(index) + "] " + std::to_string(value));
    std::lock_guard lock(gMutex);
    gFake.properties[{control, index}].number = value;
}

void SetControlProperty(ControlId control, int index, const std::string& text) {
    Record("set " + Name(control) + "[" + std::to_string(index) + "] \"" + text + "\"");
    std::lock_guard lock(gMutex);
    gFake.properties[{control, index}].text = text;
}

void SetControlProperty(ControlId control, int index, ByteView picture) {
    Record("set " + Name(control) + "[" + std::to_string(index) + "] <" +
           std::to_string(picture.size()) + " bytes>");
}

PropertyValue GetControlProperty(ControlId control, int index) {
    std::lock_guard lock(gMutex);
    return gFake.properties[{control, index}];
}

void* GetWindowHandle() {
    return nullptr;
}

int ShowMessageBox(const std::string& text, unsigned style, const char* title) {
    Record("box " + std::to_string(style) + " [" + (title ? title : "<default>") + "] " + text);
    if (gFake.onMessageBox)
        gFake.onMessageBox(text);
    std::lock_guard lock(gMutex);
    if (gFake.answers.empty())
        return (style & 0xF) == 0 ? kAnswerOk : kAnswerNo;
    const int answer = gFake.answers.front();
    gFake.answers.pop_front();
    return answer;
}

int ExtractArchive(ControlId zip, const StagedFile& archive, const std::string& target) {
    Record("extract \"" + archive.Path() + "\" \"" + target + "\"");
    auto handler = MainWindow.controls[zip].on.progress;
    const int result = gFake.forcedExtractResult
                           ? *gFake.forcedExtractResult
                           : ExtractZipFromHandle(archive.Handle(), target, ForwardProgress,
                                                  reinterpret_cast<void*>(handler));
    Record("extracted " + std::to_string(result));
    gFake.extractResult = result;
    return result;
}

bool StartThread(void (*routine)()) {
    Record("thread");
    if (!gFake.threadsStart)
        return false;
    gFake.pendingThread = routine;
    return true;
}
