#include "platform/runtime/picture.h"

#include <ole2.h>
#include <olectl.h>

#include <cstring>

namespace {
ComPtr<IStream> StreamOver(ByteView bytes) {
    ComPtr<IStream> stream;
    GlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, bytes.size()));
    if (!memory)
        return stream;
    void* target = GlobalLock(memory.Get());
    if (!target)
        return stream;
    std::memcpy(target, bytes.data(), bytes.size());
    GlobalUnlock(memory.Get());
    // The stream frees the memory when it is released.
    if (SUCCEEDED(CreateStreamOnHGlobal(memory.Get(), TRUE, stream.Put())))
        memory.Release();
    return stream;
}

// OLE_HANDLE is 32 bits wide; GDI handles fit in 32 bits and are sign-extended.
HBITMAP BitmapOf(OLE_HANDLE handle) {
    return reinterpret_cast<HBITMAP>(static_cast<LONG_PTR>(static_cast<LONG>(handle)));
}

HBITMAP DecodeToBitmap(ByteView bytes) {
    ComPtr<IStream> stream = StreamOver(bytes);
    ComPtr<IPicture> picture;
    if (!stream || FAILED(OleLoadPicture(stream.Get(), static_cast<LONG>(bytes.size()), FALSE,
                                         IID_IPicture, reinterpret_cast<void**>(picture.Put()))))
        return nullptr;
    SHORT type = PICTYPE_NONE;
    OLE_HANDLE handle = 0;
    if (FAILED(picture->get_Type(&type)) || type != PICTYPE_BITMAP ||
        FAILED(picture->get_Handle(&handle)))
        return nullptr;
    // The IPicture owns its bitmap and takes it along when released: keep a copy.
    return static_cast<HBITMAP>(
        CopyImage(BitmapOf(handle), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}
} // namespace

Picture Picture::Decode(ByteView bytes) {
    Picture result;
    if (bytes.empty() || bytes.size() > 0x7FFFFFFF)
        return result;
    result.bitmap_.Reset(DecodeToBitmap(bytes));
    BITMAP info{};
    if (!result.bitmap_ || !GetObjectA(result.bitmap_.Get(), sizeof info, &info))
        return Picture();
    result.size_ = {info.bmWidth, info.bmHeight};
    return result;
}

void Picture::Draw(HDC dc, int x, int y) const {
    if (!bitmap_)
        return;
    MemoryDc source(CreateCompatibleDC(dc));
    ScopedSelect select(source.Get(), bitmap_.Get());
    BitBlt(dc, x, y, size_.cx, size_.cy, source.Get(), 0, 0, SRCCOPY);
}

void Picture::Stretch(HDC dc, const RECT& area) const {
    if (!bitmap_)
        return;
    MemoryDc source(CreateCompatibleDC(dc));
    ScopedSelect select(source.Get(), bitmap_.Get());
    // HALFTONE averages the pixels a shrink drops; it needs the brush origin reset.
    int oldMode = SetStretchBltMode(dc, HALFTONE);
    POINT oldOrigin;
    SetBrushOrgEx(dc, 0, 0, &oldOrigin);
    StretchBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top,
               source.Get(), 0, 0, size_.cx, size_.cy, SRCCOPY);
    SetBrushOrgEx(dc, oldOrigin.x, oldOrigin.y, nullptr);
    SetStretchBltMode(dc, oldMode);
}
