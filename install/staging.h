#pragma once
// Where the payload is staged as tool.zip. Writing and deleting must agree on these, so
// both sides build the paths here.
#include "core/text.h"

// tool.zip in the temporary directory; "\\tool.zip" when that directory is unknown.
Text PrimaryStagingPath();
// tool.zip at the root of the install drive: the directory's first byte is the letter.
Text FallbackStagingPath(std::string_view installDir);
// The product's executable inside the install directory.
Text ExecutablePath(std::string_view installDir);
Text ReadInstallDir();
