#include "platform/os/staged_file.h"

namespace {
// Sharing for reading only: others may read the archive, but never change, rename or
// delete it while it is held.
HANDLE OpenForStaging(const std::string& path) {
    // The link itself is opened, never what it points to, so it can be recognised.
    return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ,
                       nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                       nullptr);
}

bool MayWriteThrough(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    return GetFileInformationByHandle(file, &info) &&
           IsPlainSingleLinkFile(info.dwFileAttributes, info.nNumberOfLinks);
}

bool MarkForDeletion(HANDLE file) {
    FILE_DISPOSITION_INFO disposition{TRUE};
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition);
}

bool ReplaceContents(HANDLE file, ByteView bytes) {
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN) || !SetEndOfFile(file))
        return false;
    const auto size = static_cast<DWORD>(bytes.size());
    DWORD written = 0;
    return bytes.size() == size && WriteFile(file, bytes.data(), size, &written, nullptr) &&
           written == size;
}
} // namespace

bool IsPlainSingleLinkFile(DWORD attributes, DWORD hardLinks) {
    constexpr DWORD kNotPlain =
        FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE;
    return (attributes & kNotPlain) == 0 && hardLinks == 1;
}

StagedFile StagedFile::Write(const std::string& path, ByteView bytes) {
    StagedFile staged;
    if (path.empty())
        return staged;
    UniqueHandle file(OpenForStaging(path));
    if (!file)
        return staged;
    const bool created = GetLastError() != ERROR_ALREADY_EXISTS;
    if (!MayWriteThrough(file.Get()))
        return staged;
    if (!ReplaceContents(file.Get(), bytes)) {
        if (created)
            MarkForDeletion(file.Get());
        return staged;
    }
    staged.path_ = path;
    staged.file_ = std::move(file);
    return staged;
}

bool StagedFile::Discard() {
    if (!file_)
        return false;
    const bool marked = MarkForDeletion(file_.Get());
    file_.Reset();
    return marked;
}
