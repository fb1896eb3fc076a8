#include "tests/zip/payload_fixture.h"

#include "tests/zip/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace {

std::string FromHex(const std::string& hex) {
    std::string bytes;
    for (size_t at = 0; at + 1 < hex.size(); at += 2) {
        bytes += static_cast<char>(std::stoi(hex.substr(at, 2), nullptr, 16));
    }
    return bytes;
}

std::set<std::string> TopLevelNames(const std::vector<PayloadEntry>& entries) {
    std::set<std::string> names;
    for (const PayloadEntry& entry : entries)
        names.insert(entry.name.substr(0, entry.name.find('/')));
    return names;
}

} // namespace

std::vector<PayloadEntry> ReadManifest() {
    std::ifstream manifest(FixturePath("payload.manifest"));
    std::vector<PayloadEntry> entries;
    std::string line;
    while (std::getline(manifest, line)) {
        std::istringstream fields(line);
        std::string kind, hex, expected;
        fields >> kind >> hex >> expected;
        entries.push_back({kind == "D", FromHex(hex), expected});
    }
    return entries;
}

std::string Backslashed(std::string name) {
    std::replace(name.begin(), name.end(), '/', '\\');
    return name;
}

std::string PayloadDifferences(const std::string& folder, const std::set<std::string>& others) {
    std::vector<PayloadEntry> entries = ReadManifest();
    if (entries.size() != 11u)
        return "the manifest lists " + std::to_string(entries.size()) + " entries\n";
    std::string differences;
    std::set<std::string> names = TopLevelNames(entries);
    names.insert(others.begin(), others.end());
    if (ListFolder(folder) != names)
        differences += "other top-level names than the payload's\n";
    for (const PayloadEntry& entry : entries) {
        std::string path = folder + "\\" + Backslashed(entry.name);
        if (entry.folder) {
            if (!IsFolder(path))
                differences += path + ": no folder\n";
            continue;
        }
        if (ReadBytes(path) != ReadBytes(FixturePath("expected/" + entry.expected)))
            differences += path + ": other bytes\n";
        if (Attributes(path) != PlainFileAttributes())
            differences += path + ": other attributes\n";
    }
    return differences;
}

void ExpectPayloadIn(const std::string& folder, const std::set<std::string>& others) {
    EXPECT_EQ(PayloadDifferences(folder, others), "");
}

Installation WriteOldInstallation(const std::string& folder, bool withItsFolder) {
    Installation installation;
    CreateDirectoryA(folder.c_str(), nullptr);
    for (const PayloadEntry& entry : ReadManifest()) {
        std::string name = Backslashed(entry.name);
        // The names are split at "/": a GBK trail byte may be 0x5C.
        size_t slash = entry.name.find('/');
        if (slash != std::string::npos) {
            if (!withItsFolder)
                continue;
            std::string holder = name.substr(0, slash + 1);
            CreateDirectoryA((folder + "\\" + holder).c_str(), nullptr);
            installation[holder] = "";
            if (entry.folder)
                continue;
        }
        installation[name] = "old " + name + "\r\n";
    }
    installation[kUsersOwnFile] = "the user's own notes\r\n";
    for (const auto& [name, bytes] : installation) {
        if (name.back() != '\\')
            WriteBytes(folder + "\\" + name, bytes);
    }
    return installation;
}

std::string InstallationDifferences(const std::string& folder, const Installation& installation) {
    std::set<std::string> names;
    for (const auto& [name, bytes] : installation)
        names.insert(name);
    std::string differences;
    for (const std::string& name : ListTree(folder)) {
        if (!names.contains(name))
            differences += name + ": not of the installation\n";
    }
    for (const auto& [name, bytes] : installation) {
        bool folderEntry = name.back() == '\\';
        if (folderEntry ? !IsFolder(folder + "\\" + name)
                        : ReadBytes(folder + "\\" + name) != bytes) {
            differences += name + ": missing or changed\n";
        }
    }
    return differences;
}

void ExpectInstallation(const std::string& folder, const Installation& installation) {
    EXPECT_EQ(InstallationDifferences(folder, installation), "");
}
