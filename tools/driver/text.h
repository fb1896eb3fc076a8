#pragma once
// Texts as the driver meets them: ANSI (GBK under the tests' code page 936) from the
// system's A functions, UTF-16 from its W functions.
#include <string>

namespace windriver {

// Whether the two are equal when ASCII letters A-Z and a-z count as the same. This is
// the one rule the driver uses for executable file names and paths, as Windows itself
// does for the names of running programs. The second byte of a double-byte character is
// compared as it is, since in GBK it can fall in the range of ASCII letters.
bool SameIgnoringAsciiCase(const std::string& a, const std::string& b);

// ANSI code page to UTF-16 and back.
std::wstring Wide(const std::string& text);
std::string Narrow(const std::wstring& text);

// A path with its forward slashes turned into backslashes, as the build writes
// Windows paths (Z:/work/...) into the test programs.
std::string WindowsPath(std::string path);

} // namespace windriver
