#include "tools/driver/screen.h"

#include <ole2.h>
#include <olectl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "platform/scoped_win.h"
#include "tools/driver/window.h"

namespace windriver {

namespace {

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

} // namespace

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
    const ScreenDc screen(GetDC(nullptr));
    if (!screen || width <= 0 || height <= 0)
        return {};
    const MemoryDc memory(CreateCompatibleDC(screen.Get()));
    const GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(screen.Get(), width, height));
    if (!memory || !bitmap)
        return {};
    bool copied = false;
    {
        const ScopedSelect select(memory.Get(), bitmap.Get());
        copied = BitBlt(memory.Get(), 0, 0, width, height, screen.Get(), area.left, area.top,
                        SRCCOPY | CAPTUREBLT) != 0;
    }
    if (!copied)
        return {};
    return ImageFromBitmap(memory.Get(), bitmap.Get(), width, height);
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
    GlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, bytes.size()));
    if (!memory)
        return {};
    std::memcpy(GlobalLock(memory.Get()), bytes.data(), bytes.size());
    GlobalUnlock(memory.Get());
    ComPtr<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(memory.Get(), TRUE, stream.Put())))
        return {};
    memory.Release(); // the stream frees it now
    ComPtr<IPicture> picture;
    if (FAILED(OleLoadPicture(stream.Get(), static_cast<LONG>(bytes.size()), FALSE, IID_IPicture,
                              picture.PutVoid())) ||
        !picture)
        return {};

    OLE_HANDLE handle = 0;
    SHORT type = PICTYPE_NONE;
    picture->get_Type(&type);
    if (type != PICTYPE_BITMAP || FAILED(picture->get_Handle(&handle)))
        return {};
    const HBITMAP bitmap = reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle));
    BITMAP shape{};
    GetObjectA(bitmap, sizeof shape, &shape);
    const ScreenDc screen(GetDC(nullptr));
    return ImageFromBitmap(screen.Get(), bitmap, shape.bmWidth, shape.bmHeight);
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
