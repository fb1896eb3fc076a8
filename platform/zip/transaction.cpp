#include "platform/zip/transaction.h"

#include <atomic>
#include <cstddef>

#include "platform/zip/names.h"
#include "platform/zip/paths.h"
#include "platform/zip/stop.h"

namespace {

constexpr int kNameAttempts = 100;

std::atomic<unsigned long> gTransactions{0};

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// Lower-case hexadecimal digits of `value`, without leading zeros.
void AppendHex(std::string& text, unsigned long value) {
    char digits[2 * sizeof value];
    size_t count = 0;
    do {
        digits[count++] = "0123456789abcdef"[value & 0xF];
        value >>= 4;
    } while (value != 0);
    while (count > 0)
        text += digits[--count];
}

// Where the last element of a path starts: after its last separator, after the colon of
// "C:name", or at its beginning.
size_t LastElementStart(std::string_view path) {
    size_t start = path.size() >= 2 && path[1] == ':' ? 2 : 0;
    for (size_t at = 0; at < path.size(); at += GbkCharLength(path, at)) {
        if (IsSeparator(path[at]))
            start = at + 1;
    }
    return start;
}

bool NameTaken(DWORD error) {
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
}

// Folder names are compared as Windows compares them, without regard to case, so that
// "a/" and "A/" are one folder here as they are on the disk.
std::wstring UpperCased(std::string_view text) {
    int length =
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    std::wstring upper(wide.size(), L'\0');
    LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, wide.data(), length, upper.data(), length);
    return upper;
}

// An old file may be read-only; one that cannot go now goes at the next start.
void DeleteOldFile(const std::string& path) {
    if (DeleteFileA(path.c_str()))
        return;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!DeleteFileA(path.c_str()))
        MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

bool MakePlain(const std::string& path) {
    return SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// A file of ours opened to be moved into place: the rename and the plain attributes go
// through this one handle instead of a path each, as MoveFileEx would open it.
UniqueHandle OpenToMove(const std::string& path) {
    return UniqueHandle(CreateFileA(path.c_str(), DELETE | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

// Fails with ERROR_ALREADY_EXISTS when something has the name.
bool RenameTo(HANDLE file, const std::string& path) {
    const int length =
        MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
    if (length <= 0)
        return false;
    const size_t bytes = offsetof(FILE_RENAME_INFO, FileName) + (length + 1) * sizeof(WCHAR);
    std::vector<unsigned char> buffer(bytes);
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = FALSE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(length * sizeof(WCHAR));
    MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), rename->FileName,
                        length);
    return SetFileInformationByHandle(file, FileRenameInfo, rename, static_cast<DWORD>(bytes));
}

// Renaming a file marks it for archiving again, so the plain attributes come after.
bool MakePlain(HANDLE file) {
    FILE_BASIC_INFO basic{}; // times of 0 stay as they are
    basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    return SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic);
}

} // namespace

ExtractionTransaction::ExtractionTransaction(std::string target)
    : target_(std::move(target)), id_(++gTransactions) {}

ExtractionTransaction::~ExtractionTransaction() {
    if (!finished_)
        Rollback();
}

// `path` with its last element replaced by "~zx<process>.<transaction>.<serial><suffix>":
// unique among the running extractions; a name that is taken all the same is skipped by
// the caller.
std::string ExtractionTransaction::NameBeside(const std::string& path, const char* suffix) {
    std::string name = path.substr(0, LastElementStart(path)) + "~zx";
    AppendHex(name, GetCurrentProcessId());
    AppendHex(name += '.', id_);
    AppendHex(name += '.', ++serial_);
    return name += suffix;
}

bool ExtractionTransaction::CreateFolder(const std::string& folder) {
    SECURITY_ATTRIBUTES* security = nullptr;
    if (IsDirectlyBelowDriveRoot(folder)) {
        if (!protection_)
            protection_.emplace();
        if (!protection_->Valid())
            return false;
        security = protection_->Attributes();
    }
    return CreateDirectoryA(folder.c_str(), security);
}

// A folder that does not exist yet is made under a name of ours beside its place, to move
// there with everything in it at the commit; where it was made, or nothing.
std::optional<std::string> ExtractionTransaction::MakeFolderOfOurs(const std::string& final) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::string temporary = NameBeside(final, ".new");
        if (CreateFolder(temporary)) {
            ourFolders_.push_back(temporary);
            newFolders_.push_back({temporary, final});
            return temporary;
        }
        if (!NameTaken(GetLastError()))
            break;
    }
    return std::nullopt;
}

// A missing target is a folder of ours like any other, so that its files are written
// under their own names and it moves into place whole. Failures on the way to it are
// left to its own making: a prefix such as "C:" cannot be made but need not be, and a
// real obstacle makes the target fail too. Only the target itself must be no link: the
// folders above it are the user's choice.
bool ExtractionTransaction::PrepareTarget() {
    std::string folder = target_;
    if (folder.size() > 3 && EndsWithBackslash(folder))
        folder.pop_back();
    Folder target{folder, false};
    if (InspectPath(folder) == PathKind::kMissing) {
        const size_t own = LastElementStart(folder);
        for (size_t at = 1; at < own; at += GbkCharLength(folder, at)) {
            if (!IsSeparator(folder[at]))
                continue;
            std::string prefix = folder.substr(0, at);
            if (InspectPath(prefix) == PathKind::kMissing && CreateFolder(prefix))
                targetFolders_.push_back(prefix);
        }
        std::optional<std::string> made = MakeFolderOfOurs(folder);
        if (!made)
            return false;
        target = {*made, true};
    }
    if (InspectPath(target.path) != PathKind::kFolder)
        return false;
    folders_.emplace(std::wstring(), target);
    return true;
}

// A folder that exists must be no link; one that does not is made under a name of ours
// when its parent exists, and under its own name inside a folder of ours.
const ExtractionTransaction::Folder* ExtractionTransaction::ChildFolder(const std::wstring& key,
                                                                        const Folder& parent,
                                                                        std::string_view element,
                                                                        bool create) {
    if (auto known = folders_.find(key); known != folders_.end())
        return &known->second;
    std::string final = EntryPath(parent.path, std::string(element));
    Folder child{final, parent.ours};
    if (parent.ours) {
        if (!create || !CreateFolder(final))
            return nullptr;
        ourFolders_.push_back(final);
    } else {
        switch (InspectPath(final)) {
        case PathKind::kFolder:
            break;
        case PathKind::kMissing: {
            std::optional<std::string> made;
            if (!create || !(made = MakeFolderOfOurs(final)))
                return nullptr;
            child = {*made, true};
            break;
        }
        default:
            return nullptr;
        }
    }
    return &folders_.emplace(key, std::move(child)).first->second;
}

// The folder named by name[0, end), element by element from the target.
const ExtractionTransaction::Folder* ExtractionTransaction::FolderOf(std::string_view name,
                                                                     size_t end, bool create) {
    const Folder* folder = &folders_.at(std::wstring());
    std::wstring key;
    size_t start = 0;
    for (size_t at = 0; at <= end && folder; at += at < end ? GbkCharLength(name, at) : 1) {
        if (at < end && !IsSeparator(name[at]))
            continue;
        std::string_view element = name.substr(start, at - start);
        start = at + 1;
        if (element.empty())
            continue;
        key += L'\\';
        key += UpperCased(element);
        folder = ChildFolder(key, *folder, element, create);
    }
    return folder;
}

bool ExtractionTransaction::MakeFolder(std::string_view name) {
    return FolderOf(name, name.size(), true) != nullptr;
}

StagedFile ExtractionTransaction::StageFile(std::string_view name) {
    size_t last = std::string_view::npos;
    for (size_t at = 0; at < name.size(); at += GbkCharLength(name, at)) {
        if (IsSeparator(name[at]))
            last = at;
    }
    const Folder* folder =
        last == std::string_view::npos ? &folders_.at(std::wstring()) : FolderOf(name, last, false);
    if (!folder)
        return {};
    std::string fileName(last == std::string_view::npos ? name : name.substr(last + 1));
    std::string final = EntryPath(folder->path, fileName);
    if (folder->ours) {
        UniqueHandle file(CreateFileA(final.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file)
            return {};
        ourFiles_.push_back(final);
        return {std::move(file), final, false};
    }
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::string temporary = NameBeside(final, ".new");
        UniqueHandle file(CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) {
            movingFiles_.push_back({temporary, final});
            return {std::move(file), temporary, true};
        }
        if (!NameTaken(GetLastError()))
            break;
    }
    return {};
}

bool ExtractionTransaction::FileWritten(const StagedFile& file) {
    return file.movesLater || MakePlain(file.path);
}

std::string ExtractionTransaction::MoveAside(const std::string& path) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::string aside = NameBeside(path, ".old");
        if (MoveFileExA(path.c_str(), aside.c_str(), 0))
            return aside;
        if (!NameTaken(GetLastError()))
            break;
    }
    return {};
}

// A move that replaces nothing succeeds at once. Only a plain old file is replaced, by
// moving it aside first; a file in use cannot be renamed, so a locked old file fails here
// before anything of it changed.
bool ExtractionTransaction::MoveIntoPlace(MovingFile& file) {
    UniqueHandle moving = OpenToMove(file.temporary);
    if (!moving)
        return false;
    if (!RenameTo(moving.Get(), file.final)) {
        if (!NameTaken(GetLastError()) || InspectPath(file.final) != PathKind::kFile)
            return false;
        file.aside = MoveAside(file.final);
        if (file.aside.empty())
            return false;
        if (!RenameTo(moving.Get(), file.final)) {
            if (MoveFileExA(file.aside.c_str(), file.final.c_str(), 0))
                file.aside.clear();
            return false;
        }
    }
    file.moved = true;
    return MakePlain(moving.Get());
}

bool ExtractionTransaction::Commit(const ExtractionTicket& ticket) {
    for (NewFolder& folder : newFolders_) {
        if (ticket.StopRequested() ||
            !MoveFileExA(folder.temporary.c_str(), folder.final.c_str(), 0)) {
            Rollback();
            return false;
        }
        folder.moved = true;
    }
    for (MovingFile& file : movingFiles_) {
        if (ticket.StopRequested() || !MoveIntoPlace(file)) {
            Rollback();
            return false;
        }
    }
    return true;
}

void ExtractionTransaction::Finish() {
    for (const MovingFile& file : movingFiles_) {
        if (!file.aside.empty())
            DeleteOldFile(file.aside);
    }
    movingFiles_.clear();
    finished_ = true;
}

// Backwards, so that an entry written twice gets its first version, and then the old
// file, back in turn; the folders of ours go back under our names before their contents
// are deleted.
void ExtractionTransaction::Rollback() {
    for (auto file = movingFiles_.rbegin(); file != movingFiles_.rend(); ++file) {
        DeleteFileA((file->moved ? file->final : file->temporary).c_str());
        if (!file->aside.empty())
            MoveFileExA(file->aside.c_str(), file->final.c_str(), 0);
    }
    for (auto folder = newFolders_.rbegin(); folder != newFolders_.rend(); ++folder) {
        if (folder->moved)
            MoveFileExA(folder->final.c_str(), folder->temporary.c_str(), 0);
    }
    for (auto file = ourFiles_.rbegin(); file != ourFiles_.rend(); ++file)
        DeleteFileA(file->c_str());
    for (auto folder = ourFolders_.rbegin(); folder != ourFolders_.rend(); ++folder)
        RemoveDirectoryA(folder->c_str());
    for (auto folder = targetFolders_.rbegin(); folder != targetFolders_.rend(); ++folder)
        RemoveDirectoryA(folder->c_str());
    movingFiles_.clear();
    newFolders_.clear();
    ourFiles_.clear();
    ourFolders_.clear();
    targetFolders_.clear();
    folders_.clear();
}
