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

struct ControlDesc {
    const char* name; // UTF-8, for diagnostics only
    ControlKind kind;
    int parent; // index into the table; -1 for the window itself
    int left, top, width, height;
    bool shown;
    uint32_t backColor;
    uint32_t textColor;
    bool border;     // single-line border one pixel wide
    bool staticEdge; // thin sunken edge
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
    std::span<const int> stackingTopDown;  // children of the panel, top of the stack first
};
