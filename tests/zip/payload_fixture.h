#pragma once
// The payload archive of the fixtures (payload.zip and its variants with the same names):
// what it holds, what an extraction of it must leave, and an older installation of it.
#include <map>
#include <set>
#include <string>
#include <vector>

// One report per entry, then 100.
inline const std::vector<int> kPayloadProgress = {0, 9, 18, 27, 36, 45, 54, 63, 72, 81, 90, 100};

struct PayloadEntry {
    bool folder;
    std::string name;     // GBK, with "/" between elements
    std::string expected; // fixture file holding the file's bytes
};

std::vector<PayloadEntry> ReadManifest();
std::string Backslashed(std::string name);

// Every entry of the payload in `folder`, with its bytes and plain attributes, and besides
// them only the top-level names in `others`. The differences, one per line; empty when
// there are none.
std::string PayloadDifferences(const std::string& folder, const std::set<std::string>& others = {});
void ExpectPayloadIn(const std::string& folder, const std::set<std::string>& others = {});

// An installation of the payload's names with other bytes, and a file of the user's own:
// relative path (folders end with a backslash) to bytes.
using Installation = std::map<std::string, std::string>;
inline const char kUsersOwnFile[] = "notes.txt";
Installation WriteOldInstallation(const std::string& folder, bool withItsFolder = true);
// Exactly that, byte for byte: nothing more, nothing less.
std::string InstallationDifferences(const std::string& folder, const Installation& installation);
void ExpectInstallation(const std::string& folder, const Installation& installation);
