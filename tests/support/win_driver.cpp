#include "tests/support/win_driver.h"

#include <ole2.h>
#include <olectl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace windriver {

namespace {

// A handle or GDI object of the driver's own, released at the end of a scope.
template <class T, class Close> class Scoped {
public:
    Scoped(T value, Close close) : value_(value), close_(close) {}
    ~Scoped() {
        if (value_)
            close_(value_);
    }
    Scoped(const Scoped&) = delete;
    Scoped& operator=(const Scoped&) = delete;
    T get() const { return value_; }
    explicit operator bool() const { return value_ != T{}; }

private:
    T value_;
    Close close_;
};

// The whole screen's device context, for reading what is shown.
struct ScreenDc {
    ScreenDc() = default;
    ~ScreenDc() {
        if (dc)
            ReleaseDC(nullptr, dc);
    }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;

    HDC dc = GetDC(nullptr);
};

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringAsciiCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    return true;
}

std::string LastErrorText(const char* what) {
    return std::string(what) + " failed, error " + std::to_string(GetLastError());
}

// The driver's environment with `extra` put in. Windows keeps a few "=C:" style
// entries whose names start with '='; they pass through untouched.
std::string BuildEnvironmentBlock(const Environment& extra) {
    std::vector<std::string> entries;
    if (char* block = GetEnvironmentStringsA()) {
        for (const char* p = block; *p; p += std::strlen(p) + 1)
            entries.emplace_back(p);
        FreeEnvironmentStringsA(block);
    }
    for (const auto& [name, value] : extra) {
        std::erase_if(entries, [&](const std::string& entry) {
            const size_t equals = entry.find('=', 1);
            return equals != std::string::npos &&
                   EqualIgnoringAsciiCase(entry.substr(0, equals), name);
        });
        entries.push_back(name + "=" + value);
    }
    std::string block;
    for (const auto& entry : entries)
        block.append(entry).push_back('\0');
    block.push_back('\0');
    return block;
}

COLORREF FromBgrx(uint32_t pixel) {
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

// Reads a bitmap into an Image through a 32-bit top-down DIB.
Image ImageFromBitmap(HDC dc, HBITMAP bitmap, int width, int height) {
    Image image;
    if (width <= 0 || height <= 0)
        return image;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<uint32_t> raw(static_cast<size_t>(width) * height);
    if (GetDIBits(dc, bitmap, 0, height, raw.data(), &info, DIB_RGB_COLORS) != height)
        return image;
    image.width = width;
    image.height = height;
    image.pixels.reserve(raw.size());
    for (uint32_t pixel : raw)
        image.pixels.push_back(FromBgrx(pixel));
    return image;
}

bool SendInputs(INPUT* inputs, UINT count) {
    return SendInput(count, inputs, sizeof(INPUT)) == count;
}

} // namespace

// ---- waiting ----------------------------------------------------------------------------

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs, int stepMs) {
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount64() >= deadline)
            return false;
        Sleep(static_cast<DWORD>(stepMs));
    }
}

bool HoldsFor(const std::function<bool()>& condition, int durationMs, int stepMs) {
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(durationMs);
    for (;;) {
        if (!condition())
            return false;
        if (GetTickCount64() >= deadline)
            return true;
        Sleep(static_cast<DWORD>(stepMs));
    }
}

// ---- processes ----------------------------------------------------------------------------

Process::~Process() {
    Terminate();
}

Process::Process(Process&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), pid_(std::exchange(other.pid_, 0)),
      error_(std::move(other.error_)) {}

Process& Process::operator=(Process&& other) noexcept {
    if (this != &other) {
        Terminate();
        handle_ = std::exchange(other.handle_, nullptr);
        pid_ = std::exchange(other.pid_, 0);
        error_ = std::move(other.error_);
    }
    return *this;
}

Process Process::Start(const std::string& exe, const Environment& extra,
                       const std::string& workDir) {
    Process process;
    std::string environment = BuildEnvironmentBlock(extra);
    std::string command = "\"" + exe + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, environment.data(),
                        workDir.empty() ? nullptr : workDir.c_str(), &startup, &info)) {
        process.error_ = LastErrorText("CreateProcessA") + " for " + exe;
        return process;
    }
    CloseHandle(info.hThread);
    process.handle_ = info.hProcess;
    process.pid_ = info.dwProcessId;
    return process;
}

bool Process::Running() const {
    return handle_ && WaitForSingleObject(handle_, 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> Process::WaitForExit(int timeoutMs) const {
    if (!handle_ || WaitForSingleObject(handle_, static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0)
        return std::nullopt;
    DWORD code = 0;
    if (!GetExitCodeProcess(handle_, &code))
        return std::nullopt;
    return code;
}

void Process::Terminate() {
    if (!handle_)
        return;
    if (Running()) {
        TerminateProcess(handle_, 1);
        WaitForSingleObject(handle_, 10000);
    }
    CloseHandle(handle_);
    handle_ = nullptr;
    pid_ = 0;
}

std::vector<DWORD> ProcessIdsNamed(const std::string& exeName) {
    std::vector<DWORD> ids;
    const HANDLE list = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (list == INVALID_HANDLE_VALUE)
        return ids;
    Scoped snapshot(list, CloseHandle);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.get(), &entry); more;
         more = Process32Next(snapshot.get(), &entry))
        if (EqualIgnoringAsciiCase(entry.szExeFile, exeName))
            ids.push_back(entry.th32ProcessID);
    return ids;
}

int TerminateProcessesNamed(const std::string& exeName) {
    int ended = 0;
    for (DWORD id : ProcessIdsNamed(exeName)) {
        Scoped process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id), CloseHandle);
        if (!process)
            continue;
        if (TerminateProcess(process.get(), 1))
            ++ended;
        WaitForSingleObject(process.get(), 10000);
    }
    return ended;
}

std::string ProcessImagePath(DWORD pid) {
    Scoped process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid), CloseHandle);
    if (!process)
        return {};
    char path[MAX_PATH * 2] = {};
    DWORD size = sizeof path;
    if (!QueryFullProcessImageNameA(process.get(), 0, path, &size))
        return {};
    return std::string(path, size);
}

// ---- windows ------------------------------------------------------------------------------

std::string WindowText(HWND window) {
    char text[4096] = {};
    const int length = GetWindowTextA(window, text, sizeof text);
    return std::string(text, length > 0 ? static_cast<size_t>(length) : 0);
}

std::string ClassName(HWND window) {
    char name[256] = {};
    const int length = GetClassNameA(window, name, sizeof name);
    return std::string(name, length > 0 ? static_cast<size_t>(length) : 0);
}

WindowInfo Describe(HWND window) {
    WindowInfo info;
    info.hwnd = window;
    info.className = ClassName(window);
    info.text = WindowText(window);
    GetWindowRect(window, &info.screen);
    info.inParent = info.screen;
    const HWND parent = GetAncestor(window, GA_PARENT);
    if (parent && parent != GetDesktopWindow())
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&info.inParent), 2);
    info.style = GetWindowLongA(window, GWL_STYLE);
    info.exStyle = GetWindowLongA(window, GWL_EXSTYLE);
    info.visible = (info.style & WS_VISIBLE) != 0;
    info.id = GetDlgCtrlID(window);
    return info;
}

std::string RectText(const RECT& rect) {
    char text[96];
    std::snprintf(text, sizeof text, "(%ld,%ld %ldx%ld)", rect.left, rect.top,
                  rect.right - rect.left, rect.bottom - rect.top);
    return text;
}

RECT MakeRect(int left, int top, int width, int height) {
    return RECT{left, top, left + width, top + height};
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::vector<HWND> TopLevelWindows(DWORD pid) {
    struct Search {
        DWORD pid;
        std::vector<HWND> found;
    } search{pid, {}};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == s->pid)
                s->found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindTopLevel(DWORD pid, const char* className, const char* title) {
    for (HWND window : TopLevelWindows(pid)) {
        if (!IsWindowVisible(window))
            continue;
        if (className && ClassName(window) != className)
            continue;
        if (title && WindowText(window) != title)
            continue;
        return window;
    }
    return nullptr;
}

HWND WaitForTopLevel(DWORD pid, const char* className, const char* title, int timeoutMs) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindTopLevel(pid, className, title)) != nullptr; }, timeoutMs);
    return found;
}

bool MoveTopLevel(HWND window, POINT topLeft) {
    // Asynchronous, so that a target busy elsewhere cannot block the driver; the wait
    // below sees the move through.
    SetWindowPos(window, nullptr, topLeft.x, topLeft.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
    return WaitUntil(
        [&] {
            RECT now{};
            return GetWindowRect(window, &now) && now.left == topLeft.x && now.top == topLeft.y;
        },
        5000);
}

std::vector<HWND> ChildWindows(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

HWND ChildAt(HWND parent, const RECT& inParent) {
    for (HWND child : ChildWindows(parent))
        if (SameRect(Describe(child).inParent, inParent))
            return child;
    return nullptr;
}

HWND ChildWithText(HWND parent, const std::string& text) {
    for (HWND child : ChildWindows(parent))
        if (WindowText(child) == text)
            return child;
    return nullptr;
}

HWND ChildOfClass(HWND parent, const char* className) {
    for (HWND child : ChildWindows(parent))
        if (ClassName(child) == className)
            return child;
    return nullptr;
}

std::string DumpChildren(HWND parent) {
    std::string dump;
    for (HWND child : ChildWindows(parent)) {
        const WindowInfo info = Describe(child);
        dump += "  [" + info.className + "] \"" + info.text + "\" " + RectText(info.inParent) +
                (info.visible ? " visible" : " hidden") + "\n";
    }
    return dump;
}

// ---- message boxes ------------------------------------------------------------------------

std::vector<MessageBoxInfo> MessageBoxes(DWORD pid) {
    std::vector<MessageBoxInfo> boxes;
    for (HWND window : TopLevelWindows(pid)) {
        if (!IsWindowVisible(window) || ClassName(window) != "#32770")
            continue;
        MessageBoxInfo box;
        box.hwnd = window;
        box.title = WindowText(window);
        if (HWND text = GetDlgItem(window, 0xFFFF))
            box.text = WindowText(text);
        for (HWND child : ChildWindows(window))
            if (IsWindowVisible(child) && ClassName(child) == "Button")
                box.buttons.push_back(GetDlgCtrlID(child));
        boxes.push_back(std::move(box));
    }
    return boxes;
}

std::optional<MessageBoxInfo> WaitForMessageBox(DWORD pid, int timeoutMs, const char* title) {
    std::optional<MessageBoxInfo> found;
    WaitUntil(
        [&] {
            for (auto& box : MessageBoxes(pid))
                if (!title || box.title == title) {
                    found = std::move(box);
                    return true;
                }
            return false;
        },
        timeoutMs);
    return found;
}

bool PressDialogButton(HWND dialog, int id, Press how) {
    const HWND button = GetDlgItem(dialog, id);
    if (!button)
        return false;
    if (how == Press::Command)
        return PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                            reinterpret_cast<LPARAM>(button)) != 0;
    // Sent, not posted: the button must see its own press and release in order. The
    // time-out keeps a hung target from hanging the driver.
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 10000, &result) != 0;
}

// ---- mouse and keyboard ---------------------------------------------------------------------

bool PostMouse(HWND window, UINT message, POINT client, WPARAM keys) {
    return PostMessageA(window, message, keys, MAKELPARAM(client.x, client.y)) != 0;
}

bool PostClick(HWND window, POINT client) {
    return PostMouse(window, WM_LBUTTONDOWN, client, MK_LBUTTON) &&
           PostMouse(window, WM_LBUTTONUP, client, 0);
}

POINT ClientCentre(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return POINT{(client.left + client.right) / 2, (client.top + client.bottom) / 2};
}

POINT ToScreen(HWND window, POINT client) {
    ClientToScreen(window, &client);
    return client;
}

bool MoveMouseTo(POINT screen) {
    // Absolute input is in 1/65536ths of the screen; rounding up lands on the pixel itself
    // when the system scales back down.
    const LONG width = GetSystemMetrics(SM_CXSCREEN);
    const LONG height = GetSystemMetrics(SM_CYSCREEN);
    INPUT move{};
    move.type = INPUT_MOUSE;
    move.mi.dx = static_cast<LONG>((static_cast<LONGLONG>(screen.x) * 65536 + width - 1) / width);
    move.mi.dy = static_cast<LONG>((static_cast<LONGLONG>(screen.y) * 65536 + height - 1) / height);
    move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInputs(&move, 1);
    POINT now{};
    if (WaitUntil([&] { return GetCursorPos(&now) && now.x == screen.x && now.y == screen.y; },
                  500))
        return true;
    return SetCursorPos(screen.x, screen.y) != 0;
}

bool LeftButton(bool down) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    return SendInputs(&input, 1);
}

bool RealClick(POINT screen) {
    return MoveMouseTo(screen) && LeftButton(true) && LeftButton(false);
}

bool TypeKey(WORD virtualKey) {
    INPUT keys[2]{};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = virtualKey;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    return SendInputs(keys, 2);
}

bool BringToFront(HWND window) {
    SetForegroundWindow(window);
    return WaitUntil([&] { return GetForegroundWindow() == window; }, 2000);
}

// ---- the screen --------------------------------------------------------------------------

Image Image::Crop(const RECT& area) const {
    Image part;
    const int left = std::max<int>(0, area.left);
    const int top = std::max<int>(0, area.top);
    const int right = std::min<int>(width, area.right);
    const int bottom = std::min<int>(height, area.bottom);
    if (right <= left || bottom <= top)
        return part;
    part.width = right - left;
    part.height = bottom - top;
    part.pixels.reserve(static_cast<size_t>(part.width) * part.height);
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            part.pixels.push_back(At(x, y));
    return part;
}

COLORREF ScreenPixel(POINT screen) {
    ScreenDc screenDc;
    return screenDc.dc ? GetPixel(screenDc.dc, screen.x, screen.y) : CLR_INVALID;
}

bool NothingLeftToPaint(HWND window) {
    if (GetUpdateRect(window, nullptr, FALSE))
        return false;
    for (HWND child : ChildWindows(window))
        if (!NothingLeftToPaint(child))
            return false;
    return true;
}

Image CaptureScreen(const RECT& area) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    ScreenDc screenDc;
    if (!screenDc.dc || width <= 0 || height <= 0)
        return {};
    Scoped memory(CreateCompatibleDC(screenDc.dc), DeleteDC);
    Scoped bitmap(CreateCompatibleBitmap(screenDc.dc, width, height), DeleteObject);
    if (!memory || !bitmap)
        return {};
    const HGDIOBJ old = SelectObject(memory.get(), bitmap.get());
    const bool copied = BitBlt(memory.get(), 0, 0, width, height, screenDc.dc, area.left, area.top,
                               SRCCOPY | CAPTUREBLT) != 0;
    SelectObject(memory.get(), old);
    if (!copied)
        return {};
    return ImageFromBitmap(memory.get(), bitmap.get(), width, height);
}

Image CaptureWindow(HWND window) {
    RECT area{};
    if (!GetWindowRect(window, &area))
        return {};
    return CaptureScreen(area);
}

bool SaveBmp(const Image& image, const std::string& path) {
    if (image.empty())
        return false;
    const int rowBytes = (image.width * 3 + 3) & ~3;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = image.width;
    info.biHeight = image.height; // positive: bottom row first
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = static_cast<DWORD>(rowBytes) * image.height;
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + info.biSizeImage;

    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    std::vector<char> row(static_cast<size_t>(rowBytes), 0);
    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x) {
            const COLORREF c = image.At(x, y);
            row[x * 3] = static_cast<char>(GetBValue(c));
            row[x * 3 + 1] = static_cast<char>(GetGValue(c));
            row[x * 3 + 2] = static_cast<char>(GetRValue(c));
        }
        out.write(row.data(), rowBytes);
    }
    return static_cast<bool>(out);
}

Image LoadPictureFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    if (bytes.empty())
        return {};
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!memory)
        return {};
    std::memcpy(GlobalLock(memory), bytes.data(), bytes.size());
    GlobalUnlock(memory);
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(memory, TRUE, &stream))) {
        GlobalFree(memory);
        return {};
    }
    IPicture* picture = nullptr;
    const HRESULT loaded = OleLoadPicture(stream, static_cast<LONG>(bytes.size()), FALSE,
                                          IID_IPicture, reinterpret_cast<void**>(&picture));
    stream->Release();
    if (FAILED(loaded) || !picture)
        return {};

    Image image;
    OLE_HANDLE handle = 0;
    SHORT type = PICTYPE_NONE;
    picture->get_Type(&type);
    if (type == PICTYPE_BITMAP && SUCCEEDED(picture->get_Handle(&handle))) {
        const HBITMAP bitmap = reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle));
        BITMAP shape{};
        GetObjectA(bitmap, sizeof shape, &shape);
        ScreenDc screenDc;
        image = ImageFromBitmap(screenDc.dc, bitmap, shape.bmWidth, shape.bmHeight);
    }
    picture->Release();
    return image;
}

bool NearColour(COLORREF a, COLORREF b, int tolerance) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance &&
           std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

std::string ColourText(COLORREF colour) {
    char text[32];
    std::snprintf(text, sizeof text, "RGB(%d,%d,%d)", GetRValue(colour), GetGValue(colour),
                  GetBValue(colour));
    return text;
}

int CountNear(const Image& image, COLORREF colour, int tolerance) {
    return static_cast<int>(
        std::count_if(image.pixels.begin(), image.pixels.end(),
                      [&](COLORREF c) { return NearColour(c, colour, tolerance); }));
}

double ShareDifferent(const Image& a, const Image& b, int tolerance) {
    if (a.width != b.width || a.height != b.height || a.empty())
        return 1.0;
    size_t different = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i)
        if (!NearColour(a.pixels[i], b.pixels[i], tolerance))
            ++different;
    return static_cast<double>(different) / static_cast<double>(a.pixels.size());
}

} // namespace windriver
