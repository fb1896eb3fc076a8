#pragma once
// The all-or-nothing part of an extraction. Nothing appears under its final name until
// every entry has been written: a file for a folder that already exists is written next
// to its place under a name of ours; a folder that does not exist yet (the target itself
// too) is made under a name of ours, with everything below it under the final names. When all are
// written, each such folder moves into place in one rename and each such file in one rename, an old
// file being kept aside under a name of ours until every move has succeeded. Anything that fails
// puts the target back as it was: the moves undone, the old files back, our files and folders
// deleted, and the folders this run made for the target removed again when empty.
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/scoped_win.h"
#include "platform/zip/security.h"

class ExtractionTicket;

// A file being staged: the caller writes it through `handle`, closes it and hands it back
// to FileWritten.
struct StagedFile {
    UniqueHandle handle;
    std::string path;
    bool movesLater = false; // renamed into place by the commit
};

class ExtractionTransaction {
public:
    explicit ExtractionTransaction(std::string target);
    ~ExtractionTransaction(); // rolls back unless finished
    ExtractionTransaction(const ExtractionTransaction&) = delete;
    ExtractionTransaction& operator=(const ExtractionTransaction&) = delete;

    // Creates the target's missing parents, and the target itself, when it is missing,
    // under a name of ours (a folder created directly below a drive root gets protected
    // permissions). False unless the target ends up a folder that is no link.
    bool PrepareTarget();
    // A folder entry ("a/b/"): makes what is missing of it.
    bool MakeFolder(std::string_view name);
    // A file entry: a new file of ours for it, in its folder, which must exist (or be
    // one of ours) and must not be a link. No handle when it cannot be made.
    StagedFile StageFile(std::string_view name);
    // Gives a written file plain attributes, unless its own rename would mark it for
    // archiving again: those get them once in place.
    bool FileWritten(const StagedFile& file);
    // Moves everything into place; when a move fails or a stop is requested, undoes what
    // was moved and gives false.
    bool Commit(const ExtractionTicket& ticket);
    // Deletes the old files kept aside: from here on the new files stay.
    void Finish();
    void Rollback();

private:
    struct Folder {
        std::string path; // where it is while the extraction runs
        bool ours;        // inside a folder of ours that moves into place later
    };
    struct NewFolder {
        std::string temporary;
        std::string final;
        bool moved = false;
    };
    struct MovingFile {
        std::string temporary;
        std::string final;
        std::string aside = {}; // the old file, while it is kept
        bool moved = false;
    };

    std::string NameBeside(const std::string& path, const char* suffix);
    bool CreateFolder(const std::string& folder);
    std::optional<std::string> MakeFolderOfOurs(const std::string& final);
    const Folder* FolderOf(std::string_view name, size_t end, bool create);
    const Folder* ChildFolder(const std::wstring& key, const Folder& parent,
                              std::string_view element, bool create);
    bool MoveIntoPlace(MovingFile& file);
    std::string MoveAside(const std::string& path);

    std::string target_;
    unsigned long id_;
    unsigned long serial_ = 0;
    std::unordered_map<std::wstring, Folder> folders_; // by upper-cased path below the target
    std::vector<NewFolder> newFolders_;
    std::vector<MovingFile> movingFiles_;
    std::vector<std::string> ourFiles_;      // written inside new folders
    std::vector<std::string> ourFolders_;    // made by this run, in order
    std::vector<std::string> targetFolders_; // the target and its parents, made by this run
    std::optional<ProtectedFolderSecurity> protection_;
    bool finished_ = false;
};
