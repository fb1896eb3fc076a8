#pragma once
// The all-or-nothing part of an extraction. Every file is first written next to its final
// place under a name of ours; only when all of them are written do they move into place,
// each old file kept aside under a name of ours until every move has succeeded. Anything
// that fails puts the target back as it was: the moves undone, the old files back, our
// files deleted and the folders this run created removed again when empty.
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "platform/scoped_win.h"
#include "platform/zip_security.h"

class ExtractionTicket;

// A file being staged: the caller writes it through `handle` and closes it.
struct StagedFile {
    UniqueHandle handle;
    std::string path;
};

class ExtractionTransaction {
public:
    explicit ExtractionTransaction(std::string target);
    ~ExtractionTransaction(); // rolls back unless finished
    ExtractionTransaction(const ExtractionTransaction&) = delete;
    ExtractionTransaction& operator=(const ExtractionTransaction&) = delete;

    // Creates the target with its missing parents (a folder created directly below a
    // drive root gets protected permissions). False unless the target ends up a folder
    // that is no link.
    bool PrepareTarget();
    // A folder entry ("a/b/"): creates what is missing of it below the target.
    bool MakeFolder(std::string_view name);
    // A file entry: a new file of ours in the folder that will hold it, which must exist
    // and must not be reached through a link. No handle when it cannot be made.
    StagedFile StageFile(std::string_view name);
    // Moves every staged file into place, in order; when a move fails or a stop is
    // requested, undoes what was moved and gives false.
    bool Commit(const ExtractionTicket& ticket);
    // Deletes the old files kept aside: from here on the new files stay.
    void Finish();
    void Rollback();

private:
    struct Staged {
        std::string temporary;
        std::string final;
        std::string aside; // the old file, while it is kept
        bool moved = false;
    };

    std::string NameOfOurs(const std::string& folder, const char* suffix);
    bool CreateFolder(const std::string& folder);
    bool EnsureFolder(const std::string& folder, bool create);
    bool EnsureFoldersOf(std::string_view name, bool create);
    bool MoveIntoPlace(Staged& staged);
    std::string MoveAside(const std::string& path);

    std::string target_;
    unsigned long id_;
    unsigned long serial_ = 0;
    std::vector<Staged> staged_;
    std::vector<std::string> created_;
    std::unordered_set<std::string> knownFolders_;
    std::optional<ProtectedFolderSecurity> protection_;
    bool finished_ = false;
};
