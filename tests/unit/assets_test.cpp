// The files built into the installer: each embedded block must be its source file
// exactly, the pictures must be JPEGs the runtime can show, and the payload archive
// must have the layout the extractor and the completion step rely on.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "assets/embedded.h"

namespace {

using Bytes = std::vector<uint8_t>;

// The build hands us Linux paths; under Wine the Linux root is drive Z:.
std::string WinePath(const std::string& linuxPath) {
    std::string path = "Z:" + linuxPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

Bytes ReadFileBytes(const std::string& linuxPath) {
    std::ifstream in(WinePath(linuxPath), std::ios::binary);
    EXPECT_TRUE(in) << "cannot open " << linuxPath;
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint16_t Le16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}
uint32_t Le32(const uint8_t* p) {
    return uint32_t(Le16(p)) | uint32_t(Le16(p + 2)) << 16;
}
uint16_t Be16(const uint8_t* p) {
    return uint16_t(p[0] << 8 | p[1]);
}

const std::string kPictures = ASSETS_PICTURES_DIR;

// --- every embedded block is its file, in the byte-block layout ------------------------

struct BlockCase {
    const char* name;
    const ByteBlock* block;
    std::string file;
};

// Test names in ctest show the printed parameter.
void PrintTo(const BlockCase& c, std::ostream* out) {
    *out << c.name;
}

class AssetsBlock : public testing::TestWithParam<BlockCase> {};

TEST_P(AssetsBlock, IsTheFileInTheByteBlockLayout) {
    const BlockCase& c = GetParam();
    const Bytes file = ReadFileBytes(c.file);
    ASSERT_FALSE(file.empty());

    // The layout is read through raw bytes, not the struct, so a wrong struct would
    // not hide a wrong layout.
    const auto* raw = reinterpret_cast<const uint8_t*>(c.block);
    EXPECT_EQ(Le32(raw), 1u);
    EXPECT_EQ(Le32(raw + 4), file.size());
    EXPECT_EQ(c.block->tag, 1u);
    ASSERT_EQ(c.block->length, file.size());

    const ByteView bytes = BlockBytes(*c.block);
    EXPECT_EQ(bytes.data(), raw + 8);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), file.begin(), file.end()));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(c.block) % 4, 0u);
}

TEST_P(AssetsBlock, LiesInReadOnlyMemory) {
    // The payload is handed to WriteFile in place; it must be constant data, not a
    // writable copy.
    MEMORY_BASIC_INFORMATION info{};
    ASSERT_NE(VirtualQuery(GetParam().block, &info, sizeof info), 0u);
    EXPECT_EQ(info.Protect, DWORD{PAGE_READONLY});
    EXPECT_EQ(info.Type, DWORD{MEM_IMAGE});
}

INSTANTIATE_TEST_SUITE_P(
    Embedded, AssetsBlock,
    testing::Values(BlockCase{"PayloadArchive", &PayloadArchive, ASSETS_PAYLOAD_ZIP},
                    BlockCase{"LogoPicture", &LogoPicture, kPictures + "/logo.jpg"},
                    BlockCase{"InstallButtonNormalPicture", &InstallButtonNormalPicture,
                              kPictures + "/install_normal.jpg"},
                    BlockCase{"InstallButtonHoverPicture", &InstallButtonHoverPicture,
                              kPictures + "/install_hover.jpg"},
                    BlockCase{"CompletionPicture", &CompletionPicture,
                              kPictures + "/completion.jpg"}));

// --- the pictures ----------------------------------------------------------------------

struct PictureCase {
    const char* name;
    const ByteBlock* block;
    int width;
    int height;
};

void PrintTo(const PictureCase& c, std::ostream* out) {
    *out << c.name;
}

class AssetsPicture : public testing::TestWithParam<PictureCase> {};

TEST_P(AssetsPicture, IsBaselineJfifAt96DpiWithItsSize) {
    const PictureCase& c = GetParam();
    const ByteView jpeg = BlockBytes(*c.block);
    ASSERT_GT(jpeg.size(), 20u + 4u);
    const uint8_t* p = jpeg.data();

    ASSERT_EQ(Be16(p), 0xFFD8) << "no SOI";
    ASSERT_EQ(Be16(p + 2), 0xFFE0) << "APP0 must follow SOI";
    EXPECT_EQ(std::memcmp(p + 6, "JFIF\0", 5), 0);
    EXPECT_EQ(p[13], 1) << "density units must be dots per inch";
    EXPECT_EQ(Be16(p + 14), 96);
    EXPECT_EQ(Be16(p + 16), 96);
    EXPECT_EQ(Be16(p + jpeg.size() - 2), 0xFFD9) << "no EOI";

    // Walk the marker segments up to the scan and collect every start-of-frame.
    std::vector<uint8_t> frames;
    size_t pos = 2;
    bool sawScan = false;
    while (pos + 4 <= jpeg.size()) {
        ASSERT_EQ(p[pos], 0xFF) << "broken segment chain at " << pos;
        const uint8_t marker = p[pos + 1];
        const uint16_t length = Be16(p + pos + 2);
        ASSERT_GE(length, 2);
        ASSERT_LE(pos + 2 + length, jpeg.size());
        const bool isFrame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (isFrame) {
            frames.push_back(marker);
            if (marker == 0xC0) {
                ASSERT_GE(length, 8 + 3 * 3);
                EXPECT_EQ(p[pos + 4], 8) << "sample precision";
                EXPECT_EQ(Be16(p + pos + 5), c.height);
                EXPECT_EQ(Be16(p + pos + 7), c.width);
                EXPECT_EQ(p[pos + 9], 3) << "colour components";
            }
        }
        if (marker == 0xDA) {
            sawScan = true;
            break;
        }
        pos += 2 + length;
    }
    EXPECT_TRUE(sawScan);
    EXPECT_EQ(frames, std::vector<uint8_t>{0xC0}) << "exactly one baseline frame";
}

TEST_P(AssetsPicture, DecodesThroughOleLoadPicture) {
    // The runtime shows pictures through OLE's decoder; it has to accept every one.
    const PictureCase& c = GetParam();
    const ByteView jpeg = BlockBytes(*c.block);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, jpeg.size());
    ASSERT_NE(memory, nullptr);
    std::memcpy(GlobalLock(memory), jpeg.data(), jpeg.size());
    GlobalUnlock(memory);
    IStream* stream = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(memory, TRUE, &stream), S_OK);

    IPicture* picture = nullptr;
    const HRESULT hr = OleLoadPicture(stream, LONG(jpeg.size()), FALSE, IID_IPicture,
                                      reinterpret_cast<void**>(&picture));
    stream->Release();
    ASSERT_EQ(hr, S_OK);
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    picture->get_Width(&width);
    picture->get_Height(&height);
    picture->Release();
    // HIMETRIC is 1/100 mm; at 96 dpi one pixel is 2540/96 of them.
    EXPECT_NEAR(width * 96.0 / 2540.0, c.width, 1.0);
    EXPECT_NEAR(height * 96.0 / 2540.0, c.height, 1.0);
}

INSTANTIATE_TEST_SUITE_P(
    Embedded, AssetsPicture,
    testing::Values(PictureCase{"Logo", &LogoPicture, 424, 534},
                    PictureCase{"InstallNormal", &InstallButtonNormalPicture, 220, 80},
                    PictureCase{"InstallHover", &InstallButtonHoverPicture, 220, 80},
                    PictureCase{"Completion", &CompletionPicture, 220, 80}));

TEST(AssetsPicture, HoverFaceDiffersFromNormalAndCompletion) {
    const ByteView normal = BlockBytes(InstallButtonNormalPicture);
    const ByteView hover = BlockBytes(InstallButtonHoverPicture);
    const ByteView done = BlockBytes(CompletionPicture);
    EXPECT_FALSE(std::ranges::equal(normal, hover));
    EXPECT_FALSE(std::ranges::equal(normal, done));
}

// --- the payload archive ---------------------------------------------------------------

struct ZipEntry {
    std::string name; // raw bytes as stored (GBK)
    uint16_t flags = 0;
    uint16_t method = 0;
    uint32_t crc = 0;
    uint32_t compressedSize = 0;
    uint32_t size = 0;
    uint32_t externalAttributes = 0;
    uint32_t localHeader = 0;
    size_t dataOffset = 0; // from the local header
};

struct ZipArchive {
    std::vector<ZipEntry> entries;
    uint16_t commentLength = 0;
};

// Reads the central directory the way an extractor does, and checks that each record
// agrees with its local header.
void ParseZip(ByteView zip, ZipArchive& out) {
    const uint8_t* p = zip.data();
    ASSERT_GE(zip.size(), 22u);
    size_t end = zip.size() - 22;
    while (true) {
        if (Le32(p + end) == 0x06054b50 && end + 22 + Le16(p + end + 20) == zip.size())
            break;
        ASSERT_GT(end, 0u) << "no end-of-central-directory record";
        --end;
    }
    const uint16_t count = Le16(p + end + 10);
    EXPECT_EQ(Le16(p + end + 8), count);
    const uint32_t directorySize = Le32(p + end + 12);
    const uint32_t directoryOffset = Le32(p + end + 16);
    EXPECT_EQ(size_t{directoryOffset} + directorySize, end);
    out.commentLength = Le16(p + end + 20);

    size_t pos = directoryOffset;
    for (uint16_t i = 0; i < count; ++i) {
        ASSERT_LE(pos + 46, end);
        ASSERT_EQ(Le32(p + pos), 0x02014b50u) << "central record " << i;
        ZipEntry e;
        e.flags = Le16(p + pos + 8);
        e.method = Le16(p + pos + 10);
        e.crc = Le32(p + pos + 16);
        e.compressedSize = Le32(p + pos + 20);
        e.size = Le32(p + pos + 24);
        const uint16_t nameLength = Le16(p + pos + 28);
        const uint16_t extraLength = Le16(p + pos + 30);
        const uint16_t commentLength = Le16(p + pos + 32);
        e.externalAttributes = Le32(p + pos + 38);
        e.localHeader = Le32(p + pos + 42);
        ASSERT_LE(pos + 46 + nameLength, end);
        e.name.assign(reinterpret_cast<const char*>(p + pos + 46), nameLength);
        pos += 46 + nameLength + extraLength + commentLength;

        const size_t local = e.localHeader;
        ASSERT_LE(local + 30, directoryOffset);
        ASSERT_EQ(Le32(p + local), 0x04034b50u) << "local header of " << e.name;
        EXPECT_EQ(Le16(p + local + 6), e.flags);
        EXPECT_EQ(Le16(p + local + 8), e.method);
        const uint16_t localNameLength = Le16(p + local + 26);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(p + local + 30), localNameLength),
                  e.name);
        e.dataOffset = local + 30 + localNameLength + Le16(p + local + 28);
        ASSERT_LE(e.dataOffset + e.compressedSize, directoryOffset);
        out.entries.push_back(e);
    }
    EXPECT_EQ(pos, end);
}

Bytes Inflate(ByteView zip, const ZipEntry& e) {
    Bytes out(e.size);
    z_stream z{};
    EXPECT_EQ(inflateInit2(&z, -MAX_WBITS), Z_OK);
    z.next_in = const_cast<Bytef*>(zip.data() + e.dataOffset);
    z.avail_in = e.compressedSize;
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    EXPECT_EQ(inflate(&z, Z_FINISH), Z_STREAM_END) << e.name;
    EXPECT_EQ(z.total_out, e.size) << e.name;
    EXPECT_EQ(z.avail_in, 0u) << e.name;
    inflateEnd(&z);
    return out;
}

// A stored name in the system's code page 936, as the extractor will see it.
std::wstring FromGbk(const std::string& name) {
    const int n =
        MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, name.data(), int(name.size()), nullptr, 0);
    if (n <= 0)
        return {};
    std::wstring wide(size_t(n), L'\0');
    MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, name.data(), int(name.size()), wide.data(), n);
    return wide;
}

bool IsDirectory(const ZipEntry& e) {
    return !e.name.empty() && e.name.back() == '/';
}

class AssetsPayload : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(ParseZip(zip, archive));
        ASSERT_EQ(archive.entries.size(), 11u);
    }
    const ByteView zip = BlockBytes(PayloadArchive);
    ZipArchive archive;
};

TEST_F(AssetsPayload, StartsWithALocalHeaderAndEndsWithItsComment) {
    ASSERT_GE(zip.size(), 4u);
    EXPECT_EQ(std::memcmp(zip.data(), "PK\x03\x04", 4), 0);
    EXPECT_EQ(archive.entries.front().localHeader, 0u);
    EXPECT_EQ(archive.commentLength, 335u);
    // The whole product, not a stub: about 4.3 MB of real content.
    EXPECT_NEAR(double(zip.size()), 4360336.0, 4360336.0 * 0.05);
}

TEST_F(AssetsPayload, OneDirectoryEntryRightBeforeTheOneFileInIt) {
    std::vector<size_t> directories;
    for (size_t i = 0; i < archive.entries.size(); ++i)
        if (IsDirectory(archive.entries[i]))
            directories.push_back(i);
    ASSERT_EQ(directories.size(), 1u);

    const size_t d = directories[0];
    const ZipEntry& dir = archive.entries[d];
    EXPECT_EQ(dir.method, 0);
    EXPECT_EQ(dir.size, 0u);
    EXPECT_EQ(dir.compressedSize, 0u);
    EXPECT_EQ(dir.externalAttributes, 0x10u);
    EXPECT_EQ(dir.name.find('/'), dir.name.size() - 1) << "the folder is at the root";

    ASSERT_LT(d + 1, archive.entries.size()) << "the folder's file must follow it";
    const ZipEntry& inside = archive.entries[d + 1];
    ASSERT_EQ(inside.name.compare(0, dir.name.size(), dir.name), 0);
    EXPECT_EQ(inside.name.find('/', dir.name.size()), std::string::npos);

    size_t inFolder = 0, atRoot = 0;
    for (const ZipEntry& e : archive.entries) {
        if (IsDirectory(e))
            continue;
        if (e.name.find('/') == std::string::npos)
            ++atRoot;
        else if (e.name.compare(0, dir.name.size(), dir.name) == 0)
            ++inFolder;
    }
    EXPECT_EQ(inFolder, 1u);
    EXPECT_EQ(atRoot, 9u);
}

TEST_F(AssetsPayload, FilesAreDeflatedWithArchiveAttributesOneReadOnly) {
    std::map<uint32_t, int> attributes;
    int files = 0;
    for (const ZipEntry& e : archive.entries) {
        EXPECT_EQ(e.flags & 0x0001, 0) << e.name << ": encrypted";
        EXPECT_EQ(e.flags & 0x0800, 0) << e.name << ": UTF-8 flag set";
        if (IsDirectory(e))
            continue;
        ++files;
        EXPECT_EQ(e.method, 8) << e.name;
        ++attributes[e.externalAttributes];
    }
    EXPECT_EQ(files, 10);
    EXPECT_EQ(attributes, (std::map<uint32_t, int>{{0x20, 9}, {0x21, 1}}));
}

TEST_F(AssetsPayload, NamesAreRelativeGbkWithChinese) {
    bool chinese = false;
    for (const ZipEntry& e : archive.entries) {
        const std::wstring wide = FromGbk(e.name);
        ASSERT_FALSE(wide.empty()) << "not valid GBK: " << e.name;
        EXPECT_NE(wide.front(), L'/') << e.name;
        EXPECT_EQ(wide.find_first_of(L"\\:"), std::wstring::npos) << e.name;
        EXPECT_EQ((L"/" + wide + L"/").find(L"/../"), std::wstring::npos) << e.name;
        for (wchar_t ch : wide)
            chinese |= ch >= 0x4E00 && ch <= 0x9FFF;
    }
    EXPECT_TRUE(chinese) << "no name in Chinese";
}

TEST_F(AssetsPayload, EveryFileInflatesToItsSizeAndCrc) {
    for (const ZipEntry& e : archive.entries) {
        if (IsDirectory(e))
            continue;
        const Bytes data = Inflate(zip, e);
        EXPECT_EQ(crc32(0, data.data(), uInt(data.size())), e.crc) << e.name;
    }
}

TEST_F(AssetsPayload, CarriesTheBuiltQuillmereAtTheRoot) {
    const auto exe =
        std::ranges::find(archive.entries, std::string("Quillmere.exe"), &ZipEntry::name);
    ASSERT_NE(exe, archive.entries.end());
    const Bytes built = ReadFileBytes(ASSETS_QUILLMERE_EXE);
    EXPECT_EQ(Inflate(zip, *exe), built);
}

// --- the sample product ----------------------------------------------------------------

TEST(AssetsQuillmere, IsAStaticStampFreeGuiProgram) {
    const Bytes exe = ReadFileBytes(ASSETS_QUILLMERE_EXE);
    ASSERT_GT(exe.size(), 0x200u);
    ASSERT_EQ(Be16(exe.data()), 0x4D5A); // "MZ"
    const uint32_t pe = Le32(exe.data() + 0x3C);
    ASSERT_LT(pe + 24 + 70, exe.size());
    ASSERT_EQ(Le32(exe.data() + pe), 0x00004550u); // "PE\0\0"
    EXPECT_EQ(Le16(exe.data() + pe + 4), IMAGE_FILE_MACHINE_AMD64);
    EXPECT_EQ(Le32(exe.data() + pe + 8), 0u) << "link time stamp makes builds differ";
    EXPECT_EQ(Le16(exe.data() + pe + 24 + 68), IMAGE_SUBSYSTEM_WINDOWS_GUI);

    const std::string text(exe.begin(), exe.end());
    for (const char* dll : {"libgcc_s", "libwinpthread", "libstdc++"})
        EXPECT_EQ(text.find(dll), std::string::npos) << "depends on " << dll;
}

struct FindWindowOf {
    DWORD processId;
    HWND found = nullptr;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<FindWindowOf*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char title[64] = {};
    GetWindowTextA(window, title, sizeof title);
    if (owner == search->processId && std::strcmp(title, "Quillmere") == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

TEST(AssetsQuillmere, OpensItsWindowAndStaysUntilClosed) {
    std::string commandLine = "\"" + WinePath(ASSETS_QUILLMERE_EXE) + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &process));
    struct Reaper {
        PROCESS_INFORMATION& p;
        ~Reaper() {
            if (WaitForSingleObject(p.hProcess, 0) == WAIT_TIMEOUT)
                TerminateProcess(p.hProcess, 1);
            CloseHandle(p.hThread);
            CloseHandle(p.hProcess);
        }
    } reaper{process};

    WaitForInputIdle(process.hProcess, 10000);
    FindWindowOf search{process.dwProcessId};
    for (int i = 0; i < 100 && !search.found; ++i) {
        EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&search));
        if (!search.found)
            Sleep(100);
    }
    ASSERT_NE(search.found, nullptr) << "no window titled Quillmere";
    EXPECT_TRUE(IsWindowVisible(search.found));
    char className[64] = {};
    GetClassNameA(search.found, className, sizeof className);
    EXPECT_STREQ(className, "QuillmereMain");

    EXPECT_EQ(WaitForSingleObject(process.hProcess, 500), DWORD{WAIT_TIMEOUT})
        << "the program ended on its own";

    PostMessageA(search.found, WM_CLOSE, 0, 0);
    ASSERT_EQ(WaitForSingleObject(process.hProcess, 10000), DWORD{WAIT_OBJECT_0});
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0u);
}

} // namespace
