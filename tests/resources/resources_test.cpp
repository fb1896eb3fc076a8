// What Explorer shows of the built programs: their icon at each size it asks for, drawn
// from the logo, the shortcut to the product, and their file properties. The programs are
// read as files through the system's own shell, resource and version functions.
#include <windows.h>
#include <gtest/gtest.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "platform/os/services.h"
#include "platform/scoped_win.h"
#include "tests/support/shell_link.h"
#include "tests/support/test_files.h"
#include "tools/driver/screen.h"
#include "tools/driver/text.h"

using namespace windriver;

namespace {

using Bytes = std::vector<uint8_t>;

constexpr int kIconSizes[] = {16, 24, 32, 48, 256};
constexpr uint8_t kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr COLORREF kPanelBlue = RGB(22, 131, 196);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBackdrop = RGB(255, 0, 255); // what shows through the icon

std::string WindowsPath(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

const std::string kSetupExe = WindowsPath(SETUP_EXE);
const std::string kProductExe = WindowsPath(QUILLMERE_EXE);
const std::string kIconFile = WindowsPath(ICON_FILE);

uint16_t Le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(Le16(p)) | static_cast<uint32_t>(Le16(p + 2)) << 16;
}

// One image of an icon: its size as the directory states it (0 stands for 256), its
// colour depth and its bytes.
struct IconImage {
    int size = 0;
    int bitCount = 0;
    Bytes bytes;
};

// The images of an .ico file, by size.
std::map<int, IconImage> ReadIconFile(const std::string& path) {
    std::map<int, IconImage> images;
    const Bytes file = ReadAll(path);
    if (file.size() < 6 || Le16(&file[2]) != 1)
        return images;
    const size_t count = Le16(&file[4]);
    for (size_t i = 0; i < count && 6 + 16 * (i + 1) <= file.size(); ++i) {
        const uint8_t* entry = &file[6 + 16 * i];
        const uint32_t length = Le32(entry + 8);
        const uint32_t offset = Le32(entry + 12);
        if (offset > file.size() || length > file.size() - offset)
            continue;
        const int size = entry[0] ? entry[0] : 256;
        images[size] = {size, Le16(entry + 6),
                        Bytes(file.begin() + offset, file.begin() + offset + length)};
    }
    return images;
}

Bytes ResourceBytes(HMODULE module, LPCSTR name, LPCSTR type) {
    const HRSRC found = FindResourceA(module, name, type);
    if (!found)
        return {};
    const HGLOBAL loaded = LoadResource(module, found);
    const auto* data = static_cast<const uint8_t*>(LockResource(loaded));
    return data ? Bytes(data, data + SizeofResource(module, found)) : Bytes{};
}

// The images of a program's icon group 1 (the one Explorer shows and the window class
// asks for), by size; each image is the RT_ICON resource the group names.
std::map<int, IconImage> ReadIconGroup(const std::string& exe) {
    std::map<int, IconImage> images;
    const UniqueModule module(LoadLibraryExA(
        exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    if (!module)
        return images;
    const Bytes group = ResourceBytes(module.Get(), MAKEINTRESOURCEA(1), RT_GROUP_ICON);
    if (group.size() < 6 || Le16(&group[2]) != 1)
        return images;
    const size_t count = Le16(&group[4]);
    for (size_t i = 0; i < count && 6 + 14 * (i + 1) <= group.size(); ++i) {
        const uint8_t* entry = &group[6 + 14 * i];
        const int size = entry[0] ? entry[0] : 256;
        const uint16_t id = Le16(entry + 12);
        Bytes bytes = ResourceBytes(module.Get(), MAKEINTRESOURCEA(id), RT_ICON);
        EXPECT_EQ(bytes.size(), Le32(entry + 8)) << exe << ": icon " << id;
        images[size] = {size, Le16(entry + 6), std::move(bytes)};
    }
    return images;
}

// The icon drawn at `size` pixels over the backdrop colour.
Image DrawnIcon(HICON icon, int size) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size;
    info.bmiHeader.biHeight = -size; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const GdiObject<HBITMAP> bitmap(
        CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    const MemoryDc dc(CreateCompatibleDC(nullptr));
    if (!icon || !bitmap || !dc)
        return {};
    ScopedSelect selected(dc.Get(), bitmap.Get());
    const RECT all{0, 0, size, size};
    const GdiObject<HBRUSH> backdrop(CreateSolidBrush(kBackdrop));
    FillRect(dc.Get(), &all, backdrop.Get());
    if (!DrawIconEx(dc.Get(), 0, 0, icon, size, size, 0, nullptr, DI_NORMAL))
        return {};
    GdiFlush();
    Image drawn;
    drawn.width = drawn.height = size;
    const auto* pixels = static_cast<const uint32_t*>(bits);
    for (int i = 0; i < size * size; ++i)
        drawn.pixels.push_back(
            RGB((pixels[i] >> 16) & 0xFF, (pixels[i] >> 8) & 0xFF, pixels[i] & 0xFF));
    return drawn;
}

Image DrawnIconImage(const IconImage& image) {
    const UniqueIcon icon(CreateIconFromResourceEx(
        const_cast<uint8_t*>(image.bytes.data()), static_cast<DWORD>(image.bytes.size()), TRUE,
        0x00030000, image.size, image.size, LR_DEFAULTCOLOR));
    return DrawnIcon(icon.Get(), image.size);
}

// The logo's white flame on the panel's blue, in a square with its corners cut off.
void ExpectTheLogoIcon(const Image& drawn) {
    ASSERT_FALSE(drawn.empty()) << "the system cannot draw it";
    const int size = drawn.width;
    for (const POINT corner :
         {POINT{0, 0}, POINT{size - 1, 0}, POINT{0, size - 1}, POINT{size - 1, size - 1}})
        EXPECT_TRUE(NearColour(drawn.At(corner.x, corner.y), kBackdrop, 8))
            << "corner " << corner.x << "," << corner.y << ": "
            << ColourText(drawn.At(corner.x, corner.y));
    // The middles of the edges, where the flame never reaches.
    for (const POINT edge : {POINT{size / 2, 0}, POINT{0, size / 2}, POINT{size - 1, size / 2}})
        EXPECT_TRUE(NearColour(drawn.At(edge.x, edge.y), kPanelBlue, 12))
            << "edge " << edge.x << "," << edge.y << ": " << ColourText(drawn.At(edge.x, edge.y));
    // A good part white, most of the rest blue; only the flame's smoothed edge is neither.
    const double pixels = static_cast<double>(size) * size;
    const double white = CountNear(drawn, kWhite, 24) / pixels;
    const double blue = CountNear(drawn, kPanelBlue, 24) / pixels;
    EXPECT_GT(white, 0.12);
    EXPECT_LT(white, 0.45);
    EXPECT_GT(blue, 0.40);
    EXPECT_GT(white + blue, 0.75);
}

// What a saved shell link says about its icon, read through the shell's own interfaces.
struct LinkIcon {
    bool loaded = false;
    std::string target;
    std::string iconPath;
    int iconIndex = -1;
};

LinkIcon ReadLinkIcon(const std::string& file) {
    LinkIcon result;
    ComPtr<IShellLinkA> link;
    ComPtr<IPersistFile> persist;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(link.Put()))) ||
        FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(persist.Put()))))
        return result;
    const std::wstring wide(file.begin(), file.end()); // the scratch folder's path is ASCII
    if (FAILED(persist->Load(wide.c_str(), STGM_READ)))
        return result;
    char text[MAX_PATH] = {};
    link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
    result.target = text;
    text[0] = '\0';
    link->GetIconLocation(text, MAX_PATH, &result.iconIndex);
    result.iconPath = text;
    result.loaded = true;
    return result;
}

// ---- icons --------------------------------------------------------------------------------

struct ProgramCase {
    const char* name;
    const std::string* exe;
};

const ProgramCase kPrograms[] = {{"setup.exe", &kSetupExe}, {"Quillmere.exe", &kProductExe}};

TEST(ProgramIcon, TheCommittedIconHoldsTheFiveSizesThe256OneAsPng) {
    const auto images = ReadIconFile(kIconFile);
    ASSERT_EQ(images.size(), std::size(kIconSizes)) << kIconFile;
    for (const int size : kIconSizes) {
        SCOPED_TRACE(size);
        ASSERT_EQ(images.count(size), 1u);
        const IconImage& image = images.at(size);
        EXPECT_EQ(image.bitCount, 32) << "alpha for smooth edges";
        ASSERT_GE(image.bytes.size(), 40u);
        const bool png = std::memcmp(image.bytes.data(), kPngSignature, 8) == 0;
        EXPECT_EQ(png, size == 256) << "only the large one is compressed";
        if (!png) {
            // A bitmap image: its header, then colour rows and mask rows, so twice as high.
            EXPECT_EQ(Le32(&image.bytes[0]), 40u);
            EXPECT_EQ(static_cast<int>(Le32(&image.bytes[4])), size);
            EXPECT_EQ(static_cast<int>(Le32(&image.bytes[8])), 2 * size);
            EXPECT_EQ(Le16(&image.bytes[14]), 32);
        }
    }
}

TEST(ProgramIcon, EachProgramCarriesTheIconAtEverySize) {
    const auto file = ReadIconFile(kIconFile);
    ASSERT_FALSE(file.empty());
    for (const auto& program : kPrograms) {
        SCOPED_TRACE(program.name);
        const auto group = ReadIconGroup(*program.exe);
        ASSERT_EQ(group.size(), std::size(kIconSizes)) << "icon group 1 of " << *program.exe;
        for (const int size : kIconSizes) {
            SCOPED_TRACE(size);
            ASSERT_EQ(group.count(size), 1u);
            EXPECT_EQ(group.at(size).bitCount, 32);
            EXPECT_TRUE(group.at(size).bytes == file.at(size).bytes)
                << "the program's image is not the committed icon's";
        }
    }
}

TEST(ProgramIcon, EverySizeShowsTheLogosWhiteFlameOnThePanelBlue) {
    for (const auto& [size, image] : ReadIconFile(kIconFile)) {
        SCOPED_TRACE(size);
        ExpectTheLogoIcon(DrawnIconImage(image));
    }
}

// The icons Explorer, the taskbar and Alt+Tab take from a program file: the large and the
// small one at the system's sizes. (Wine's shell gives every program its generic icon, so
// the icons are taken from the file as the shell takes them on Windows.)
struct ExtractedIcons {
    UniqueIcon big;
    UniqueIcon little;
};

ExtractedIcons ExtractIcons(const std::string& file) {
    HICON big = nullptr;
    HICON little = nullptr;
    if (ExtractIconExA(file.c_str(), 0, &big, &little, 1) == 0)
        return {};
    return {UniqueIcon(big), UniqueIcon(little)};
}

void ExpectTheLogoIconsIn(const std::string& file) {
    const ExtractedIcons icons = ExtractIcons(file);
    ASSERT_TRUE(icons.big && icons.little) << "no icon in " << file;
    {
        SCOPED_TRACE("large");
        ExpectTheLogoIcon(DrawnIcon(icons.big.Get(), GetSystemMetrics(SM_CXICON)));
    }
    {
        SCOPED_TRACE("small");
        ExpectTheLogoIcon(DrawnIcon(icons.little.Get(), GetSystemMetrics(SM_CXSMICON)));
    }
}

TEST(ProgramIcon, BothProgramsGiveItAtTheSystemsSizes) {
    for (const auto& program : kPrograms) {
        SCOPED_TRACE(program.name);
        ExpectTheLogoIconsIn(*program.exe);
    }
}

// The shortcut as the installer writes it names no icon, so the desktop shows its
// target's: the product's.
TEST(ProgramIcon, TheProductsShortcutShowsTheProductsIcon) {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    ScratchDir dir("icon");
    ASSERT_TRUE(CreateShortcut(dir / "Quillmere", kProductExe));
    const LinkIcon link = ReadLinkIcon(dir / "Quillmere.lnk");
    ASSERT_TRUE(link.loaded);
    EXPECT_EQ(link.iconPath, "") << "an icon of the link's own";
    EXPECT_EQ(link.iconIndex, 0);
    ASSERT_TRUE(SameIgnoringAsciiCase(link.target, kProductExe)) << link.target;
    ExpectTheLogoIconsIn(link.target);
    CoUninitialize();
}

// ---- file properties ----------------------------------------------------------------------

// A program's version resource, read as Properties > Details reads it.
class VersionInfo {
public:
    explicit VersionInfo(const std::string& exe) {
        const std::wstring path(exe.begin(), exe.end());
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
        data_.resize(size);
        if (!size || !GetFileVersionInfoW(path.c_str(), 0, size, data_.data()))
            data_.clear();
    }
    bool loaded() const { return !data_.empty(); }

    const VS_FIXEDFILEINFO* Fixed() const {
        return static_cast<const VS_FIXEDFILEINFO*>(Query(L"\\"));
    }
    std::vector<DWORD> Translations() const {
        UINT length = 0;
        const auto* pairs =
            static_cast<const DWORD*>(Query(L"\\VarFileInfo\\Translation", &length));
        return pairs ? std::vector<DWORD>(pairs, pairs + length / sizeof(DWORD))
                     : std::vector<DWORD>{};
    }
    // A text of the Simplified Chinese Unicode table; "<missing>" when it is not there.
    std::wstring Text(const wchar_t* name) const {
        const std::wstring key = std::wstring(L"\\StringFileInfo\\080404B0\\") + name;
        UINT length = 0;
        const auto* text = static_cast<const wchar_t*>(Query(key.c_str(), &length));
        return text ? std::wstring(text) : L"<missing>";
    }

private:
    const void* Query(const wchar_t* key, UINT* length = nullptr) const {
        void* value = nullptr;
        UINT size = 0;
        if (data_.empty() ||
            !VerQueryValueW(const_cast<uint8_t*>(data_.data()), key, &value, &size) || !size)
            return nullptr;
        if (length)
            *length = size;
        return value;
    }

    Bytes data_;
};

std::string Utf8(const std::wstring& text) {
    std::string utf8(text.size() * 3, '\0');
    utf8.resize(static_cast<size_t>(
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(),
                            static_cast<int>(utf8.size()), nullptr, nullptr)));
    return utf8;
}

std::wstring WideAscii(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

// The version the build states, as four 16-bit parts.
std::vector<WORD> StatedVersionParts() {
    std::vector<WORD> parts;
    size_t start = 0;
    const std::string text = INSTALLER_VERSION;
    while (start <= text.size()) {
        const size_t dot = std::min(text.find('.', start), text.size());
        parts.push_back(static_cast<WORD>(std::stoi(text.substr(start, dot - start))));
        start = dot + 1;
    }
    parts.resize(4, 0);
    return parts;
}

TEST(FileProperties, BothProgramsStateTheirVersionAndLanguage) {
    const std::vector<WORD> version = StatedVersionParts();
    ASSERT_NE(version, (std::vector<WORD>{0, 0, 0, 0})) << INSTALLER_VERSION;
    for (const auto& program : kPrograms) {
        SCOPED_TRACE(program.name);
        const VersionInfo info(*program.exe);
        ASSERT_TRUE(info.loaded()) << "no version resource in " << *program.exe;
        const VS_FIXEDFILEINFO* fixed = info.Fixed();
        ASSERT_NE(fixed, nullptr);
        EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
        for (const auto& [what, high, low] :
             {std::tuple{"file", fixed->dwFileVersionMS, fixed->dwFileVersionLS},
              std::tuple{"product", fixed->dwProductVersionMS, fixed->dwProductVersionLS}}) {
            SCOPED_TRACE(what);
            EXPECT_EQ(HIWORD(high), version[0]);
            EXPECT_EQ(LOWORD(high), version[1]);
            EXPECT_EQ(HIWORD(low), version[2]);
            EXPECT_EQ(LOWORD(low), version[3]);
        }
        EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
        EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, 0u) << "no debug or pre-release";
        // Simplified Chinese, Unicode texts.
        EXPECT_EQ(info.Translations(), std::vector<DWORD>{MAKELONG(0x0804, 1200)});
    }
}

TEST(FileProperties, DetailsShowTheStatedTexts) {
    const std::wstring version = WideAscii(INSTALLER_VERSION);
    const struct {
        const ProgramCase& program;
        const wchar_t* name;
        std::wstring expected;
    } cases[] = {
        {kPrograms[0], L"ProductName", L"Quillmere"},
        {kPrograms[0], L"CompanyName", L"Velmora软件"},
        {kPrograms[0], L"FileDescription", L"Quillmere 安装程序"},
        {kPrograms[0], L"FileVersion", version},
        {kPrograms[0], L"ProductVersion", version},
        {kPrograms[0], L"LegalCopyright", L"版权所有 © 2026 Velmora软件"},
        {kPrograms[0], L"OriginalFilename", L"setup.exe"},
        {kPrograms[0], L"InternalName", L"setup.exe"},
        {kPrograms[1], L"ProductName", L"Quillmere"},
        {kPrograms[1], L"CompanyName", L"Velmora软件"},
        {kPrograms[1], L"FileDescription", L"Quillmere"},
        {kPrograms[1], L"FileVersion", version},
        {kPrograms[1], L"ProductVersion", version},
        {kPrograms[1], L"LegalCopyright", L"版权所有 © 2026 Velmora软件"},
        {kPrograms[1], L"OriginalFilename", L"Quillmere.exe"},
        {kPrograms[1], L"InternalName", L"Quillmere.exe"},
    };
    std::map<std::string, VersionInfo> infos;
    for (const auto& program : kPrograms)
        infos.emplace(program.name, VersionInfo(*program.exe));
    for (const auto& c : cases) {
        const std::wstring shown = infos.at(c.program.name).Text(c.name);
        // Compared as UTF-16, shown as UTF-8 when they differ.
        EXPECT_TRUE(shown == c.expected) << c.program.name << " " << Utf8(c.name) << ": "
                                         << Utf8(shown) << " instead of " << Utf8(c.expected);
    }
}

} // namespace
