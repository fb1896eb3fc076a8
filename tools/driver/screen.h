#pragma once
// What the screen shows: captures, pictures decoded as the system decodes them, and
// colour comparisons with a tolerance.
#include <windows.h>

#include <string>
#include <vector>

namespace windriver {

struct Image {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels; // row by row, top row first

    bool empty() const { return pixels.empty(); }
    COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    Image Crop(const RECT& area) const;
};

// Whether the window and every window inside it have painted all that was invalidated in
// them. The system keeps that per window, so it can be asked of another process's.
bool NothingLeftToPaint(HWND window);

// What the screen shows in `area` (screen coordinates); empty when it cannot be read.
Image CaptureScreen(const RECT& area);
Image CaptureWindow(HWND window);
// Writes a 24-bit bottom-up BMP file.
bool SaveBmp(const Image& image, const std::string& path);
// Decodes a picture file the system can read (JPEG, BMP, GIF) at its natural size.
// Needs COM initialised on the calling thread.
Image LoadPictureFile(const std::string& path);

// Whether each channel differs by at most `tolerance`.
bool NearColour(COLORREF a, COLORREF b, int tolerance);
std::string ColourText(COLORREF colour);
// How many pixels of `image` are near `colour`.
int CountNear(const Image& image, COLORREF colour, int tolerance);
// The share (0 to 1) of pixels in which some channel differs by more than `tolerance`.
// Images of different sizes give 1.
double ShareDifferent(const Image& a, const Image& b, int tolerance);

} // namespace windriver
