#include "platform/zip/times.h"

namespace {

constexpr uint16_t kExtendedTimestampId = 0x5455;
constexpr unsigned char kExtendedTimestampHasModTime = 0x01;
constexpr int64_t kFileTimeTicksPerSecond = 10000000;
constexpr int64_t kUnixEpochAsFileTime = 116444736000000000;
constexpr int64_t kFatWriteTimeStep = 2 * kFileTimeTicksPerSecond;

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

int64_t Ticks(const FILETIME& time) {
    return static_cast<int64_t>(static_cast<uint64_t>(time.dwHighDateTime) << 32 |
                                time.dwLowDateTime);
}

FILETIME UnixToFileTime(int64_t seconds) {
    return ToFileTime(seconds * kFileTimeTicksPerSecond + kUnixEpochAsFileTime);
}

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

} // namespace

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

std::optional<FILETIME> EntryTime(unsigned long dosDate, std::span<const unsigned char> extra) {
    if (auto seconds = ExtendedModTime(extra))
        return UnixToFileTime(*seconds);
    return DosToFileTime(dosDate);
}

bool SameWriteTime(const FILETIME& set, const FILETIME& readBack) {
    int64_t difference = Ticks(readBack) - Ticks(set);
    return difference > -kFatWriteTimeStep && difference < kFatWriteTimeStep;
}
