#pragma once
// Operating-system services of the installer: folders, files, shell links, processes.
#include <string>

#include "platform/byte_block.h"

enum SpecialFolder : int {
    kFolderDesktop = 3, // the user's desktop directory, not created when missing
    kFolderTemp = 11,   // the temporary-files directory
};

// The folder's path ending in a backslash, or an empty text when it cannot be determined.
std::string GetSpecialFolder(int code);

// The file name a shell link is saved under: ".lnk" is appended unless the file-name
// part (after the last backslash) already has a '.'.
std::string ShortcutFileName(const std::string& linkPath);
// Saves a shell link to `target` (show command SW_SHOW, nothing else set). Needs COM
// initialised on the calling thread.
bool CreateShortcut(const std::string& linkPath, const std::string& target);

// A command line that runs `path` with no arguments, quoted so that spaces in the path
// never make Windows start a prefix of it.
std::string QuotedCommandLine(const std::string& path);
// Starts a process from the command line as given; waits at most a second for it to
// become idle. Gives whether a process was created.
bool RunProgram(const std::string& commandLine, bool wait);
