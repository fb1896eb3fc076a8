#pragma once
// Owners for Win32 handles and COM interfaces: each closes what it holds exactly once,
// can be moved but never copied.
#include <windows.h>

#include <utility>

template <class Traits> class Owned {
public:
    using Handle = typename Traits::Handle;

    Owned() = default;
    explicit Owned(Handle handle) : handle_(handle) {}
    ~Owned() { Reset(); }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    Owned(Owned&& other) noexcept : handle_(other.Release()) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }

    Handle Get() const { return handle_; }
    explicit operator bool() const { return Traits::Valid(handle_); }
    Handle Release() { return std::exchange(handle_, Handle{}); }
    void Reset(Handle handle = Handle{}) {
        if (Traits::Valid(handle_))
            Traits::Close(handle_);
        handle_ = handle;
    }

private:
    Handle handle_{};
};

struct KernelHandleTraits {
    using Handle = HANDLE;
    static bool Valid(HANDLE h) { return h && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { CloseHandle(h); }
};
using UniqueHandle = Owned<KernelHandleTraits>;

struct ModuleTraits {
    using Handle = HMODULE;
    static bool Valid(HMODULE h) { return h != nullptr; }
    static void Close(HMODULE h) { FreeLibrary(h); }
};
using UniqueModule = Owned<ModuleTraits>;

template <class T> struct GdiObjectTraits {
    using Handle = T;
    static bool Valid(T h) { return h != nullptr; }
    static void Close(T h) { DeleteObject(h); }
};
template <class T> using GdiObject = Owned<GdiObjectTraits<T>>; // HFONT, HBRUSH, HBITMAP, ...

struct MemoryDcTraits {
    using Handle = HDC;
    static bool Valid(HDC h) { return h != nullptr; }
    static void Close(HDC h) { DeleteDC(h); }
};
using MemoryDc = Owned<MemoryDcTraits>; // from CreateCompatibleDC

struct ScreenDcTraits {
    using Handle = HDC;
    static bool Valid(HDC h) { return h != nullptr; }
    static void Close(HDC h) { ReleaseDC(nullptr, h); }
};
using ScreenDc = Owned<ScreenDcTraits>; // from GetDC(nullptr): the whole screen's

struct IconTraits {
    using Handle = HICON;
    static bool Valid(HICON h) { return h != nullptr; }
    static void Close(HICON h) { DestroyIcon(h); }
};
using UniqueIcon = Owned<IconTraits>; // not for shared icons (LR_SHARED, LoadIcon)

struct GlobalMemoryTraits {
    using Handle = HGLOBAL;
    static bool Valid(HGLOBAL h) { return h != nullptr; }
    static void Close(HGLOBAL h) { GlobalFree(h); }
};
using GlobalMemory = Owned<GlobalMemoryTraits>;

// Selects an object into a device context for one scope and puts the old one back.
class ScopedSelect {
public:
    ScopedSelect(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
    ~ScopedSelect() { SelectObject(dc_, old_); }
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// BeginPaint/EndPaint for one WM_PAINT.
class PaintScope {
public:
    explicit PaintScope(HWND window) : window_(window) { BeginPaint(window, &paint_); }
    ~PaintScope() { EndPaint(window_, &paint_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    HDC Dc() const { return paint_.hdc; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
};

// Switches the calling thread's error mode for one scope, e.g. so that a drive without a
// medium does not bring up the system's "insert a disk" box.
class ScopedErrorMode {
public:
    explicit ScopedErrorMode(DWORD mode) { SetThreadErrorMode(mode, &previous_); }
    ~ScopedErrorMode() { SetThreadErrorMode(previous_, nullptr); }
    ScopedErrorMode(const ScopedErrorMode&) = delete;
    ScopedErrorMode& operator=(const ScopedErrorMode&) = delete;

private:
    DWORD previous_ = 0;
};

template <class T> class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }

    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For an out parameter: releases what is held and hands out the slot.
    T** Put() {
        Reset();
        return &p_;
    }
    // The same slot, for the untyped out parameter of CoCreateInstance and QueryInterface.
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }
    void Reset() {
        if (p_)
            std::exchange(p_, nullptr)->Release();
    }

private:
    T* p_ = nullptr;
};
