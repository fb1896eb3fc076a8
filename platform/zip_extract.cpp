#include "platform/zip_extract.h"

#include <windows.h>

#include "platform/scoped_win.h"
#include "platform/zip_names.h"

// iowin32.h relies on the declarations of unzip.h.
// clang-format off
#include <minizip/unzip.h>
#include <minizip/iowin32.h>
// clang-format on

#include <string_view>
#include <vector>

namespace {

constexpr uint32_t kLocalHeaderSignature = 0x04034b50;
constexpr uint16_t kExtendedTimestampId = 0x5455;
constexpr unsigned char kExtendedTimestampHasModTime = 0x01;
constexpr unsigned long kEncryptedFlag = 0x0001;
constexpr size_t kDataBufferSize = 256 * 1024;
constexpr size_t kFieldBufferSize = 0x10000; // names and extra fields have 16-bit lengths
constexpr int64_t kFileTimeTicksPerSecond = 10000000;
constexpr int64_t kUnixEpochAsFileTime = 116444736000000000;

struct UnzFileTraits {
    using Handle = unzFile;
    static bool Valid(unzFile zip) { return zip != nullptr; }
    static void Close(unzFile zip) { unzClose(zip); }
};
using UniqueUnzFile = Owned<UnzFileTraits>;

struct ProgressSink {
    ExtractProgress handler;
    void* context;

    void Report(int percent) const {
        if (handler != nullptr)
            handler(context, percent);
    }
};

struct Buffers {
    std::vector<char> name = std::vector<char>(kFieldBufferSize + 1);
    std::vector<unsigned char> extra = std::vector<unsigned char>(kFieldBufferSize);
    std::vector<char> data = std::vector<char>(kDataBufferSize);
};

struct Entry {
    std::string name;
    unz_file_info64 info;
    std::optional<FILETIME> time;

    bool IsDirectory() const { return !name.empty() && name.back() == '/'; }
    bool IsEncrypted() const { return (info.flag & kEncryptedFlag) != 0; }
};

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

uint16_t ReadLe16(std::span<const unsigned char> bytes, size_t at) {
    return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

uint32_t ReadLe32(std::span<const unsigned char> bytes, size_t at) {
    return static_cast<uint32_t>(ReadLe16(bytes, at)) |
           static_cast<uint32_t>(ReadLe16(bytes, at + 2)) << 16;
}

std::optional<int64_t> ModTimeOfTimestampField(std::span<const unsigned char> data) {
    if (data.size() < 5 || (data[0] & kExtendedTimestampHasModTime) == 0)
        return std::nullopt;
    return static_cast<int32_t>(ReadLe32(data, 1));
}

FILETIME ToFileTime(int64_t ticks) {
    return {static_cast<DWORD>(ticks & 0xFFFFFFFF), static_cast<DWORD>(ticks >> 32)};
}

FILETIME UnixToFileTime(int64_t seconds) {
    return ToFileTime(seconds * kFileTimeTicksPerSecond + kUnixEpochAsFileTime);
}

// The DOS fields are taken as they stand, as if they were UTC.
std::optional<FILETIME> DosToFileTime(unsigned long dosDate) {
    SYSTEMTIME fields{};
    fields.wYear = static_cast<WORD>(1980 + ((dosDate >> 25) & 0x7F));
    fields.wMonth = static_cast<WORD>((dosDate >> 21) & 0x0F);
    fields.wDay = static_cast<WORD>((dosDate >> 16) & 0x1F);
    fields.wHour = static_cast<WORD>((dosDate >> 11) & 0x1F);
    fields.wMinute = static_cast<WORD>((dosDate >> 5) & 0x3F);
    fields.wSecond = static_cast<WORD>((dosDate & 0x1F) * 2);
    FILETIME time;
    if (!SystemTimeToFileTime(&fields, &time))
        return std::nullopt;
    return time;
}

std::optional<FILETIME> EntryTime(unsigned long dosDate, std::span<const unsigned char> extra) {
    if (auto seconds = ExtendedModTime(extra))
        return UnixToFileTime(*seconds);
    return DosToFileTime(dosDate);
}

bool Exists(const std::string& path) {
    return !path.empty() && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsDirectory(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool StartsWithLocalHeader(const std::string& path) {
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    unsigned char head[4];
    DWORD read = 0;
    return file && ReadFile(file.Get(), head, sizeof head, &read, nullptr) && read == sizeof head &&
           ReadLe32(head, 0) == kLocalHeaderSignature;
}

// Failures on the way are left to the last step: a prefix such as "C:" cannot be made
// but need not be, and a real obstacle makes the final folder fail too.
bool CreateDirectories(const std::string& path) {
    if (IsDirectory(path))
        return true;
    for (size_t at = 1; at < path.size(); at += GbkCharLength(path, at)) {
        if (IsSeparator(path[at]))
            CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    }
    CreateDirectoryA(path.c_str(), nullptr);
    return IsDirectory(path);
}

UniqueUnzFile OpenArchive(const std::string& path) {
    // The Win32 file functions take the path as ANSI bytes, so GBK paths open as given.
    zlib_filefunc64_def io;
    fill_win32_filefunc64A(&io);
    return UniqueUnzFile(unzOpen2_64(path.c_str(), &io));
}

std::optional<uint64_t> CountEntries(unzFile zip) {
    unz_global_info64 global;
    if (unzGetGlobalInfo64(zip, &global) != UNZ_OK)
        return std::nullopt;
    return global.number_entry;
}

std::optional<Entry> ReadEntry(unzFile zip, Buffers& buffers) {
    Entry entry;
    if (unzGetCurrentFileInfo64(zip, &entry.info, buffers.name.data(), buffers.name.size(),
                                buffers.extra.data(), buffers.extra.size(), nullptr, 0) != UNZ_OK) {
        return std::nullopt;
    }
    entry.name.assign(buffers.name.data(), entry.info.size_filename);
    entry.time =
        EntryTime(entry.info.dosDate, std::span(buffers.extra.data(), entry.info.size_file_extra));
    return entry;
}

// Plain attributes first: CREATE_ALWAYS refuses to replace a read-only, hidden or
// system file.
void MakeReplaceable(const std::string& path) {
    constexpr DWORD kBlocking =
        FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
        (attributes & kBlocking)) {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

HANDLE CreateFileAlways(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Attributes are looked at only when the file is refused: a fresh install then costs one
// call per file, not two.
UniqueHandle CreateDestination(const std::string& path) {
    UniqueHandle file(CreateFileAlways(path));
    if (file || GetLastError() != ERROR_ACCESS_DENIED)
        return file;
    MakeReplaceable(path);
    return UniqueHandle(CreateFileAlways(path));
}

bool WriteAll(HANDLE file, const char* data, DWORD size) {
    DWORD written = 0;
    return WriteFile(file, data, size, &written, nullptr) && written == size;
}

// minizip reports a stream that ends early as a clean end and skips the CRC check then,
// so the size is checked here.
bool CopyEntryData(unzFile zip, HANDLE file, std::vector<char>& buffer, uint64_t size) {
    uint64_t total = 0;
    for (;;) {
        int got = unzReadCurrentFile(zip, buffer.data(), static_cast<unsigned>(buffer.size()));
        if (got <= 0)
            return got == 0 && total == size;
        if (!WriteAll(file, buffer.data(), static_cast<DWORD>(got)))
            return false;
        total += static_cast<uint64_t>(got);
    }
}

bool ApplyTime(HANDLE file, const std::optional<FILETIME>& time) {
    return !time || SetFileTime(file, &*time, &*time, &*time);
}

bool WriteEntryFile(unzFile zip, const Entry& entry, const std::string& path, Buffers& buffers) {
    if (unzOpenCurrentFile(zip) != UNZ_OK)
        return false;
    UniqueHandle file = CreateDestination(path);
    if (!file)
        return false;
    bool written = CopyEntryData(zip, file.Get(), buffers.data, entry.info.uncompressed_size) &&
                   unzCloseCurrentFile(zip) == UNZ_OK && ApplyTime(file.Get(), entry.time);
    // A late write error can surface only when the handle closes.
    written = CloseHandle(file.Release()) && written;
    if (!written) {
        DeleteFileA(path.c_str());
        return false;
    }
    // Set after closing: replacing a file through CREATE_ALWAYS adds the archive bit.
    return SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

bool ExtractEntry(unzFile zip, const std::string& target, Buffers& buffers) {
    std::optional<Entry> entry = ReadEntry(zip, buffers);
    if (!entry || entry->IsEncrypted() || !IsSafeEntryName(entry->name))
        return false;
    std::string path = EntryPath(target, entry->name);
    if (entry->IsDirectory())
        return CreateDirectories(path);
    return WriteEntryFile(zip, *entry, path, buffers);
}

bool ExtractEntries(unzFile zip, uint64_t count, const std::string& target,
                    const ProgressSink& progress) {
    // An empty central directory has no first entry to go to.
    if (count == 0)
        return true;
    Buffers buffers;
    int status = unzGoToFirstFile(zip);
    for (uint64_t index = 0; status == UNZ_OK; ++index) {
        if (!ExtractEntry(zip, target, buffers))
            return false;
        progress.Report(ExtractPercent(index, count));
        status = unzGoToNextFile(zip);
    }
    return status == UNZ_END_OF_LIST_OF_FILE;
}

} // namespace

int ExtractPercent(uint64_t index, uint64_t count) {
    if (count == 0)
        return 100;
    return static_cast<int>(static_cast<double>(index) / static_cast<double>(count) * 100.0);
}

std::optional<int64_t> ExtendedModTime(std::span<const unsigned char> extra) {
    while (extra.size() >= 4) {
        uint16_t id = ReadLe16(extra, 0);
        size_t size = ReadLe16(extra, 2);
        if (size > extra.size() - 4)
            return std::nullopt;
        if (id == kExtendedTimestampId)
            return ModTimeOfTimestampField(extra.subspan(4, size));
        extra = extra.subspan(4 + size);
    }
    return std::nullopt;
}

int ExtractZip(const std::string& archivePath, const std::string& target, ExtractProgress progress,
               void* context) {
    ProgressSink sink{progress, context};
    if (!Exists(archivePath)) {
        sink.Report(0);
        return kExtractMissing;
    }
    if (!StartsWithLocalHeader(archivePath)) {
        sink.Report(0);
        return kExtractFailed;
    }
    UniqueUnzFile zip = OpenArchive(archivePath);
    std::optional<uint64_t> count;
    if (zip && CreateDirectories(target))
        count = CountEntries(zip.Get());
    if (!count) {
        sink.Report(0);
        return kExtractFailed;
    }
    if (!ExtractEntries(zip.Get(), *count, target, sink))
        return kExtractFailed;
    // Closed before the last report, so its handler may delete the archive.
    zip.Reset();
    sink.Report(100);
    return kExtractDone;
}
