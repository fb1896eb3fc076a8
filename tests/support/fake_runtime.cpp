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

void Record(Call call) {
    std::lock_guard lock(gMutex);
    gFake.calls.push_back(std::move(call));
}

const char* PropertyName(int index) {
    switch (index) {
    case kPropLeft:
        return "left";
    case kPropTop:
        return "top";
    case kPropWidth:
        return "width";
    case kPropHeight:
        return "height";
    case kPropTag:
        return "tag";
    case kPropVisible:
        return "visible";
    case kPropDisabled:
        return "disabled";
    case kPropCursor:
        return "cursor";
    case kPropCaption:
        return "caption";
    case kPropNormalPicture:
        return "normal picture";
    case kPropHoverPicture:
        return "hover picture";
    case kPropMaximum:
        return "maximum";
    case kPropPosition:
        return "position";
    }
    return nullptr;
}

const char* OpName(Op op) {
    switch (op) {
    case Op::Prepare:
        return "prepare";
    case Op::RegisterCleanup:
        return "register cleanup";
    case Op::LoadWindow:
        return "load window";
    case Op::MessageLoop:
        return "message loop";
    case Op::Exit:
        return "exit";
    case Op::Fatal:
        return "fatal";
    case Op::Set:
        return "set";
    case Op::Box:
        return "box";
    case Op::Extract:
        return "extract";
    case Op::Extracted:
        return "extracted";
    case Op::StartThread:
        return "thread";
    }
    return "?";
}

struct ValuePrinter {
    std::ostream& out;
    void operator()(std::monostate) const {}
    void operator()(long long number) const { out << " " << number; }
    void operator()(const std::string& text) const { out << " \"" << text << "\""; }
    void operator()(const Picture& picture) const { out << " <" << picture.bytes << " bytes>"; }
    void operator()(const BoxShown& box) const {
        out << " " << box.style << " [" << (box.title ? *box.title : "<default>") << "] "
            << box.text;
    }
    void operator()(const Extraction& e) const {
        out << " \"" << e.archive << "\" into \"" << e.target << "\"";
    }
};

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

std::vector<Call> FakeRuntime::CallsOf(Op op) const {
    std::vector<Call> found;
    for (const Call& call : calls)
        if (call.op == op)
            found.push_back(call);
    return found;
}

std::vector<Call> FakeRuntime::CallsOn(ControlId control) const {
    std::vector<Call> found;
    for (const Call& call : calls)
        if (call.control == control)
            found.push_back(call);
    return found;
}

std::vector<long long> FakeRuntime::NumbersSet(ControlId control, int property) const {
    std::vector<long long> values;
    for (const Call& call : calls)
        if (call.op == Op::Set && call.control == control && call.property == property)
            if (const auto* number = std::get_if<long long>(&call.value))
                values.push_back(*number);
    return values;
}

std::vector<std::string> FakeRuntime::TextsSet(ControlId control, int property) const {
    std::vector<std::string> values;
    for (const Call& call : calls)
        if (call.op == Op::Set && call.control == control && call.property == property)
            if (const auto* text = std::get_if<std::string>(&call.value))
                values.push_back(*text);
    return values;
}

std::vector<BoxShown> FakeRuntime::Boxes() const {
    std::vector<BoxShown> boxes;
    for (const Call& call : calls)
        if (const auto* box = std::get_if<BoxShown>(&call.value))
            boxes.push_back(*box);
    return boxes;
}

bool FakeRuntime::Made(const Call& call) const {
    return std::find(calls.begin(), calls.end(), call) != calls.end();
}

Call Call::Set(ControlId control, int property, long long number) {
    return Call{Op::Set, control, property, number};
}

Call Call::Set(ControlId control, int property, std::string text) {
    return Call{Op::Set, control, property, std::move(text)};
}

Call Call::SetPicture(ControlId control, int property, size_t bytes) {
    return Call{Op::Set, control, property, Picture{bytes}};
}

Call Call::Box(std::string text, unsigned style, std::optional<std::string> title) {
    return Call{Op::Box, kNoControl, kNoProperty,
                BoxShown{std::move(text), style, std::move(title)}};
}

Call Call::Exit(int code) {
    return Call{Op::Exit, kNoControl, kNoProperty, static_cast<long long>(code)};
}

Call Call::Extract(ControlId zip, std::string archive, std::string target) {
    return Call{Op::Extract, zip, kNoProperty, Extraction{std::move(archive), std::move(target)}};
}

Call Call::Extracted(ControlId zip, int result) {
    return Call{Op::Extracted, zip, kNoProperty, static_cast<long long>(result)};
}

void PrintTo(const Call& call, std::ostream* out) {
    *out << OpName(call.op);
    if (call.control != kNoControl) {
        *out << " " << MainWindow.controls[call.control].name;
        if (call.property != kNoProperty) {
            const char* name = PropertyName(call.property);
            *out << ".";
            if (name)
                *out << name;
            else
                *out << call.property;
        }
    }
    std::visit(ValuePrinter{*out}, call.value);
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
    Record(Call::Of(Op::Prepare));
}
void RegisterCleanup(void (*)()) {
    Record(Call::Of(Op::RegisterCleanup));
}
void LoadWindow(const WindowDesc&) {
    Record(Call::Of(Op::LoadWindow));
    if (MainWindow.controls[主窗口].on.created)
        MainWindow.controls[主窗口].on.created();
}
void RunMessageLoop() {
    Record(Call::Of(Op::MessageLoop));
}

void ExitProgram(int code) {
    Record(Call::Exit(code));
    EndFlow(code);
}

void FatalRuntimeError(const char* what) {
    Record(Call{Op::Fatal, kNoControl, kNoProperty, std::string(what)});
    {
        std::lock_guard lock(gMutex);
        gFake.fatalError = what;
    }
    EndFlow(-1);
}

void SetControlProperty(ControlId control, int index, long long value) {
    Record(Call::Set(control, index, value));
    std::lock_guard lock(gMutex);
    gFake.properties[{control, index}].number = value;
}

void SetControlProperty(ControlId control, int index, const std::string& text) {
    Record(Call::Set(control, index, text));
    std::lock_guard lock(gMutex);
    gFake.properties[{control, index}].text = text;
}

void SetControlProperty(ControlId control, int index, ByteView picture) {
    Record(Call::SetPicture(control, index, picture.size()));
}

PropertyValue GetControlProperty(ControlId control, int index) {
    std::lock_guard lock(gMutex);
    return gFake.properties[{control, index}];
}

void* GetWindowHandle() {
    return nullptr;
}

int ShowMessageBox(const std::string& text, unsigned style, const char* title) {
    Record(Call::Box(text, style, title ? std::optional<std::string>(title) : std::nullopt));
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
    Record(Call::Extract(zip, archive.Path(), target));
    auto handler = MainWindow.controls[zip].on.progress;
    const int result = gFake.forcedExtractResult
                           ? *gFake.forcedExtractResult
                           : ExtractZipFromHandle(archive.Handle(), target, ForwardProgress,
                                                  reinterpret_cast<void*>(handler));
    Record(Call::Extracted(zip, result));
    gFake.extractResult = result;
    return result;
}

bool StartThread(void (*routine)()) {
    Record(Call::Of(Op::StartThread));
    if (!gFake.threadsStart)
        return false;
    gFake.pendingThread = routine;
    return true;
}
