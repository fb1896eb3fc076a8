#pragma once
// A window described as data: a table of controls that the runtime walks to build it.
#include <cstdint>
#include <span>

#include "platform/byte_block.h"

enum class ControlKind : uint8_t {
    Window,           // 窗口: the top-level window itself
    PictureBox,       // 图片框
    Label,            // 标签
    TransparentLabel, // 透明标签
    ProgressBar,      // 进度条
    GraphicButton,    // 图形按钮
    Zip,              // ZIP压缩: a component without a face
};

enum class PointerShape : uint8_t { Arrow, Hand };

// 0xBBGGRR, as Win32's COLORREF.
constexpr uint32_t Rgb(uint8_t r, uint8_t g, uint8_t b) {
    return r | (uint32_t{g} << 8) | (uint32_t{b} << 16);
}

struct FontDesc {
    int height = 0; // character height in pixels; 0 means the default GUI font
    int weight = 400;
    bool underline = false;
    uint8_t charset = 0;
};

struct EventBindings {
    void (*created)() = nullptr;
    void (*clicked)() = nullptr;
    void (*leftPressed)(int x, int y, int keys) = nullptr;
    void (*leftReleased)(int x, int y, int keys) = nullptr;
    void (*progress)(int percent) = nullptr;
};

// Where a control lies in its parent's client area (the screen's, for the window).
struct Place {
    int left = 0, top = 0, width = 0, height = 0;
};

// How a control draws itself; each kind reads the fields that apply to it.
struct Look {
    uint32_t back = 0;
    uint32_t text = 0;
    FontDesc font{};
    PointerShape pointer = PointerShape::Arrow;
    bool border = false;     // single-line border one pixel wide
    bool staticEdge = false; // thin sunken edge
};

struct ControlDesc {
    int id;           // its row in the table
    const char* name; // UTF-8, for diagnostics only
    ControlKind kind;
    int parent; // row of the parent; -1 for the window itself
    int left, top, width, height;
    bool shown;
    uint32_t backColor;
    uint32_t textColor;
    bool border;
    bool staticEdge;
    FontDesc font;
    PointerShape pointer;
    const char* caption;           // GBK
    const ByteBlock* picture;      // picture box, or a button's normal picture
    const ByteBlock* hoverPicture; // graphic button only
    int maximum;                   // progress bar only
    EventBindings on;
};

struct WindowDesc {
    std::span<const ControlDesc> controls; // entry 0 is the window itself
    std::span<const int> stackingTopDown;  // children of one panel, top of the stack first
};

// ---- makers: one row of a window's table each -------------------------------------------

constexpr ControlDesc Describe(ControlKind kind, int id, const char* name, int parent, Place place,
                               const Look& look, const char* caption = "", EventBindings on = {}) {
    return {.id = id,
            .name = name,
            .kind = kind,
            .parent = parent,
            .left = place.left,
            .top = place.top,
            .width = place.width,
            .height = place.height,
            .shown = true,
            .backColor = look.back,
            .textColor = look.text,
            .border = look.border,
            .staticEdge = look.staticEdge,
            .font = look.font,
            .pointer = look.pointer,
            .caption = caption,
            .picture = nullptr,
            .hoverPicture = nullptr,
            .maximum = 0,
            .on = on};
}

constexpr ControlDesc TopWindow(int id, const char* name, Place place, const char* title,
                                const Look& look, EventBindings on) {
    return Describe(ControlKind::Window, id, name, -1, place, look, title, on);
}

constexpr ControlDesc PictureBox(int id, const char* name, int parent, Place place,
                                 const Look& look, const ByteBlock* picture = nullptr) {
    ControlDesc desc = Describe(ControlKind::PictureBox, id, name, parent, place, look);
    desc.picture = picture;
    return desc;
}

constexpr ControlDesc Label(int id, const char* name, int parent, Place place, const char* caption,
                            const Look& look, EventBindings on = {}) {
    return Describe(ControlKind::Label, id, name, parent, place, look, caption, on);
}

constexpr ControlDesc TransparentLabel(int id, const char* name, int parent, Place place,
                                       const char* caption, const Look& look,
                                       EventBindings on = {}) {
    return Describe(ControlKind::TransparentLabel, id, name, parent, place, look, caption, on);
}

constexpr ControlDesc ProgressBar(int id, const char* name, int parent, Place place,
                                  const Look& look, int maximum) {
    ControlDesc desc = Describe(ControlKind::ProgressBar, id, name, parent, place, look);
    desc.maximum = maximum;
    return desc;
}

constexpr ControlDesc GraphicButton(int id, const char* name, int parent, Place place,
                                    const ByteBlock* normal, const ByteBlock* hover,
                                    EventBindings on) {
    ControlDesc desc = Describe(ControlKind::GraphicButton, id, name, parent, place, {}, "", on);
    desc.picture = normal;
    desc.hoverPicture = hover;
    return desc;
}

// A component without a face: never shown.
constexpr ControlDesc ZipComponent(int id, const char* name, int parent, Place place,
                                   EventBindings on) {
    ControlDesc desc = Describe(ControlKind::Zip, id, name, parent, place, {}, "", on);
    desc.shown = false;
    return desc;
}

constexpr ControlDesc Hidden(ControlDesc desc) {
    desc.shown = false;
    return desc;
}

// ---- consistency, checked by the compiler for a built-in table ---------------------------

// Entry 0 is the only window; every other row names its own row as id and a parent row
// before it that is not a ZIP component.
constexpr bool HasConsistentRows(std::span<const ControlDesc> controls) {
    if (controls.empty() || controls[0].kind != ControlKind::Window || controls[0].id != 0)
        return false;
    for (size_t i = 1; i < controls.size(); ++i) {
        const int parent = controls[i].parent;
        if (controls[i].id != static_cast<int>(i) || controls[i].kind == ControlKind::Window ||
            parent < 0 || static_cast<size_t>(parent) >= i ||
            controls[parent].kind == ControlKind::Zip)
            return false;
    }
    return true;
}

// The stacking list names every child with a face of one parent, each once.
constexpr bool HasCompleteStacking(std::span<const ControlDesc> controls,
                                   std::span<const int> topDown) {
    if (topDown.empty())
        return true;
    for (int entry : topDown)
        if (entry <= 0 || static_cast<size_t>(entry) >= controls.size())
            return false;
    const int parent = controls[topDown[0]].parent;
    size_t children = 0;
    for (const ControlDesc& control : controls)
        if (control.parent == parent && control.kind != ControlKind::Zip)
            ++children;
    if (children != topDown.size())
        return false;
    for (size_t i = 0; i < topDown.size(); ++i) {
        const ControlDesc& control = controls[topDown[i]];
        if (control.parent != parent || control.kind == ControlKind::Zip)
            return false;
        for (size_t j = 0; j < i; ++j)
            if (topDown[j] == topDown[i])
                return false;
    }
    return true;
}

constexpr bool IsConsistent(const WindowDesc& window) {
    return HasConsistentRows(window.controls) &&
           HasCompleteStacking(window.controls, window.stackingTopDown);
}
