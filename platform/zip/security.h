#pragma once
// Permissions for a folder the extraction creates directly below a drive root, where
// every authenticated user may modify what is created: full control for SYSTEM,
// Administrators and the installing user, read and execute for Users, inherited by
// everything below and not inherited from the root.
#include <windows.h>

#include <string_view>
#include <vector>

// "X:\name" (also "\\?\X:\name"), with no further separator.
bool IsDirectlyBelowDriveRoot(std::string_view folder);

// A descriptor built once, for CreateDirectoryA. Neither copied nor moved: the security
// attributes point into it.
class ProtectedFolderSecurity {
public:
    ProtectedFolderSecurity();
    ProtectedFolderSecurity(const ProtectedFolderSecurity&) = delete;
    ProtectedFolderSecurity& operator=(const ProtectedFolderSecurity&) = delete;

    // False when the installing user or the descriptor could not be had.
    bool Valid() const { return valid_; }
    SECURITY_ATTRIBUTES* Attributes() { return &attributes_; }

private:
    std::vector<unsigned char> acl_;
    SECURITY_DESCRIPTOR descriptor_{};
    SECURITY_ATTRIBUTES attributes_{};
    bool valid_ = false;
};
