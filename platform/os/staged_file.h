#pragma once
// A file this run writes and holds open until it is done with it. While it is held, no
// other process can write, rename or delete it (it is shared for reading only), so what is
// later read from it is what was written; and only this run's own file is ever deleted.
#include <windows.h>

#include <string>

#include "platform/byte_block.h"
#include "platform/scoped_win.h"

class StagedFile {
public:
    StagedFile() = default;

    // Creates the file, or replaces a plain file of that name, and writes every byte in one
    // call straight from `bytes`. A path that is a link (a reparse point), a folder or a
    // file with more than one hard link is not written through. Gives an empty StagedFile
    // when nothing could be written, and also after a short write, whose partial file is
    // removed again when this run created it.
    static StagedFile Write(const std::string& path, ByteView bytes);

    explicit operator bool() const { return static_cast<bool>(file_); }
    const std::string& Path() const { return path_; }
    // Read access, for the extraction.
    HANDLE Handle() const { return file_.Get(); }

    // Deletes the file through the handle and closes it. Gives whether it was deleted.
    bool Discard();

private:
    std::string path_;
    UniqueHandle file_;
};

// Whether an existing file may be written through: a plain file with no other name.
bool IsPlainSingleLinkFile(DWORD attributes, DWORD hardLinks);
