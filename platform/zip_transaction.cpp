#include "platform/zip_transaction.h"

#include <atomic>
#include <cstdio>

#include "platform/zip_names.h"
#include "platform/zip_paths.h"
#include "platform/zip_stop.h"

namespace {

constexpr int kNameAttempts = 100;

std::atomic<unsigned long> gTransactions{0};

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

bool NameTaken(DWORD error) {
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
}

// An old file may be read-only; one that cannot go now goes at the next start.
void DeleteOldFile(const std::string& path) {
    if (DeleteFileA(path.c_str()))
        return;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!DeleteFileA(path.c_str()))
        MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

} // namespace

ExtractionTransaction::ExtractionTransaction(std::string target)
    : target_(std::move(target)), id_(++gTransactions) {}

ExtractionTransaction::~ExtractionTransaction() {
    if (!finished_)
        Rollback();
}

// "~zx<process>.<transaction>.<serial><suffix>": unique among the running extractions;
// a name that is taken all the same is skipped by the caller.
std::string ExtractionTransaction::NameOfOurs(const std::string& folder, const char* suffix) {
    char name[64];
    std::snprintf(name, sizeof name, "\\~zx%lx.%lx.%lx%s", GetCurrentProcessId(), id_, ++serial_,
                  suffix);
    return folder + name;
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
    if (!CreateDirectoryA(folder.c_str(), security))
        return false;
    created_.push_back(folder);
    return true;
}

bool ExtractionTransaction::EnsureFolder(const std::string& folder, bool create) {
    if (knownFolders_.contains(folder))
        return true;
    switch (InspectPath(folder)) {
    case PathKind::kFolder:
        break;
    case PathKind::kMissing:
        if (!create || !CreateFolder(folder))
            return false;
        break;
    default:
        return false;
    }
    knownFolders_.insert(folder);
    return true;
}

// Each folder on the way from the target to the entry, so that none of them is a link
// that would carry the entry elsewhere.
bool ExtractionTransaction::EnsureFoldersOf(std::string_view name, bool create) {
    for (size_t at = 0; at < name.size(); at += GbkCharLength(name, at)) {
        if (IsSeparator(name[at]) &&
            !EnsureFolder(EntryPath(target_, std::string(name.substr(0, at))), create)) {
            return false;
        }
    }
    return true;
}

// Failures on the way are left to the last step: a prefix such as "C:" cannot be made
// but need not be, and a real obstacle makes the target itself fail too. Only the target
// itself must be no link: the folders above it are the user's choice.
bool ExtractionTransaction::PrepareTarget() {
    std::string folder = target_;
    if (folder.size() > 3 && EndsWithBackslash(folder))
        folder.pop_back();
    if (InspectPath(folder) == PathKind::kMissing) {
        for (size_t at = 1; at < folder.size(); at += GbkCharLength(folder, at)) {
            if (IsSeparator(folder[at]) &&
                InspectPath(folder.substr(0, at)) == PathKind::kMissing) {
                CreateFolder(folder.substr(0, at));
            }
        }
        CreateFolder(folder);
    }
    return EnsureFolder(folder, false);
}

bool ExtractionTransaction::MakeFolder(std::string_view name) {
    return EnsureFoldersOf(name, true);
}

StagedFile ExtractionTransaction::StageFile(std::string_view name) {
    std::string final = EntryPath(target_, std::string(name));
    if (!EnsureFoldersOf(name, false))
        return {};
    std::string folder = ParentFolder(final);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::string temporary = NameOfOurs(folder, ".new");
        UniqueHandle file(CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) {
            staged_.push_back({temporary, final, {}, false});
            return {std::move(file), temporary};
        }
        if (!NameTaken(GetLastError()))
            break;
    }
    return {};
}

std::string ExtractionTransaction::MoveAside(const std::string& path) {
    std::string folder = ParentFolder(path);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::string aside = NameOfOurs(folder, ".old");
        if (MoveFileExA(path.c_str(), aside.c_str(), 0))
            return aside;
        if (!NameTaken(GetLastError()))
            break;
    }
    return {};
}

// A move that replaces nothing succeeds at once: a fresh installation costs one call
// per file. Only a plain old file is replaced, by moving it aside first; a file in use
// cannot be renamed, so a locked old file fails here before anything of it changed.
bool ExtractionTransaction::MoveIntoPlace(Staged& staged) {
    if (MoveFileExA(staged.temporary.c_str(), staged.final.c_str(), 0)) {
        staged.moved = true;
        return true;
    }
    if (!NameTaken(GetLastError()) || InspectPath(staged.final) != PathKind::kFile)
        return false;
    staged.aside = MoveAside(staged.final);
    if (staged.aside.empty())
        return false;
    if (MoveFileExA(staged.temporary.c_str(), staged.final.c_str(), 0)) {
        staged.moved = true;
        return true;
    }
    if (MoveFileExA(staged.aside.c_str(), staged.final.c_str(), 0))
        staged.aside.clear();
    return false;
}

bool ExtractionTransaction::Commit(const ExtractionTicket& ticket) {
    for (Staged& staged : staged_) {
        if (ticket.StopRequested() || !MoveIntoPlace(staged)) {
            Rollback();
            return false;
        }
    }
    return true;
}

void ExtractionTransaction::Finish() {
    for (const Staged& staged : staged_) {
        if (!staged.aside.empty())
            DeleteOldFile(staged.aside);
    }
    staged_.clear();
    created_.clear();
    finished_ = true;
}

// Backwards, so that an entry written twice gets its first version, and then the old
// file, back in turn.
void ExtractionTransaction::Rollback() {
    for (auto staged = staged_.rbegin(); staged != staged_.rend(); ++staged) {
        DeleteFileA((staged->moved ? staged->final : staged->temporary).c_str());
        if (!staged->aside.empty())
            MoveFileExA(staged->aside.c_str(), staged->final.c_str(), 0);
    }
    staged_.clear();
    for (auto folder = created_.rbegin(); folder != created_.rend(); ++folder)
        RemoveDirectoryA(folder->c_str());
    created_.clear();
    knownFolders_.clear();
}
