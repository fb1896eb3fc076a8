#pragma once
// A decoded picture, kept as a bitmap of the image's own size.
#include <windows.h>

#include "platform/byte_block.h"
#include "platform/scoped_win.h"

class Picture {
public:
    Picture() = default;
    // Decodes an image file (JPEG, BMP or GIF). Empty or undecodable bytes give an empty
    // picture. Call it on a thread with OLE initialised.
    static Picture Decode(ByteView bytes);

    explicit operator bool() const { return static_cast<bool>(bitmap_); }
    SIZE Size() const { return size_; }
    // At the natural size, its top-left corner at (x, y).
    void Draw(HDC dc, int x, int y) const;
    // Stretched to fill `area`, proportions not kept.
    void Stretch(HDC dc, const RECT& area) const;

private:
    GdiObject<HBITMAP> bitmap_;
    SIZE size_{};
};
