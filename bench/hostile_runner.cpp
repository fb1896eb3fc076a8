// Extracts a batch of hostile archives (bench/make_hostile.py) with our component, each
// in a child process of its own under a watchdog, so that a crash or a hang is seen and
// counted instead of ending the run.
//
//   bench_hostile run <batch folder> <work folder> <results file> <seconds per case>
//       For each case in <batch folder>/cases.tsv: a fresh <work>\case folder, the child
//       extracting into <work>\case\target, then the checks. Appends one line per case
//       to <results file>:
//         case kinds status exit result seconds wrong_crc escaped unexplained
//       status is ok, crash, hang or odd-result (a result other than 0, 1 or -1).
//   bench_hostile child <archive> <target>
//       Calls the component once; the exit code is 1000 + its result.
#include <windows.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "platform/zip/extract.h"

namespace {

constexpr int kResultBase = 1000;
constexpr char kMarker[] = "hostile-escape";
// Drive Z: is the Linux root, shared with everything else on the machine: a new file
// there counts only when a case's name put it there, which its marker tells.
constexpr char kSharedRoot[] = "Z:\\";
constexpr char kSharedTemp[] = "Z:\\tmp";

// ---- the child ------------------------------------------------------------------------

// A fault must end the child with its code at once: Wine would otherwise start its
// debugger, which can sit waiting for a person.
LONG WINAPI EndOnFault(EXCEPTION_POINTERS* fault) {
    TerminateProcess(GetCurrentProcess(), fault->ExceptionRecord->ExceptionCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

int Child(const std::string& archive, const std::string& target) {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    SetUnhandledExceptionFilter(EndOnFault);
    const int result = ExtractZip(archive, target, nullptr, nullptr);
    return kResultBase + result;
}

// ---- reading the batch ------------------------------------------------------------------

struct Case {
    int number = 0;
    std::string kinds;
};

std::string FromHex(const std::string& hex) {
    std::string bytes;
    for (size_t at = 0; at + 1 < hex.size(); at += 2)
        bytes.push_back(static_cast<char>(std::strtoul(hex.substr(at, 2).c_str(), nullptr, 16)));
    return bytes;
}

// How Windows compares a path: ASCII letters without case, "/" as "\", and each element
// without trailing dots and spaces.
std::string NormalName(const std::string& name) {
    std::string out;
    std::string element;
    auto flush = [&] {
        while (!element.empty() && (element.back() == '.' || element.back() == ' '))
            element.pop_back();
        out += element;
        element.clear();
    };
    for (size_t at = 0; at < name.size(); ++at) {
        unsigned char c = static_cast<unsigned char>(name[at]);
        // A GBK lead byte takes its trail byte along, even when that is 0x5C.
        if (c >= 0x81 && c <= 0xFE && at + 1 < name.size()) {
            element += name.substr(at, 2);
            ++at;
            continue;
        }
        if (c == '/' || c == '\\') {
            flush();
            // "a//b" is "a\b" to the system.
            if (!out.empty() && out.back() != '\\')
                out += '\\';
            continue;
        }
        element += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    flush();
    while (!out.empty() && out.back() == '\\')
        out.pop_back();
    return out;
}

std::vector<Case> ReadCases(const std::string& path) {
    std::vector<Case> cases;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        Case c;
        if (fields >> c.number >> c.kinds)
            cases.push_back(c);
    }
    return cases;
}

// case -> normalised name -> the CRCs its entries declare
using Expectations = std::map<int, std::map<std::string, std::set<uint32_t>>>;

Expectations ReadExpectations(const std::string& path) {
    Expectations expected;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        int number = 0;
        std::string crc, name;
        if (!(fields >> number >> crc))
            continue;
        fields >> name; // an empty name has no hex at all
        expected[number][NormalName(FromHex(name))].insert(
            static_cast<uint32_t>(std::strtoul(crc.c_str(), nullptr, 16)));
    }
    return expected;
}

// ---- the checks -----------------------------------------------------------------------

bool FileCrc(const std::string& path, uint32_t& crc) {
    std::vector<char> bytes;
    if (!bench::ReadFileBytes(path, bytes))
        return false;
    uLong value = crc32(0L, Z_NULL, 0);
    size_t at = 0;
    while (at < bytes.size()) {
        const uInt chunk = static_cast<uInt>(std::min<size_t>(bytes.size() - at, 1u << 30));
        value = crc32(value, reinterpret_cast<const Bytef*>(bytes.data() + at), chunk);
        at += chunk;
    }
    crc = static_cast<uint32_t>(value);
    return true;
}

// The folders an entry that climbs out of the target, or names an absolute path, lands
// in: every ancestor of the target, and the roots of the drives Wine maps.
std::vector<std::string> WatchedFolders(const std::string& target) {
    std::vector<std::string> folders;
    std::string path = target;
    for (size_t cut; (cut = path.rfind('\\')) != std::string::npos && cut > 2;) {
        path.resize(cut);
        folders.push_back(path);
    }
    for (const char* root : {"C:\\", "C:\\users\\root", kSharedRoot, kSharedTemp})
        folders.push_back(root);
    return folders;
}

using Snapshot = std::map<std::string, std::set<std::string>>;

Snapshot Take(const std::vector<std::string>& folders) {
    Snapshot snapshot;
    for (const auto& folder : folders) {
        const auto names = bench::ListFolder(folder);
        snapshot[folder] = std::set<std::string>(names.begin(), names.end());
    }
    return snapshot;
}

struct Outcome {
    std::string status;
    DWORD exitCode = 0;
    int result = 0;
    double seconds = 0;
    int wrongCrc = 0;
    int escaped = 0;
    int unexplained = 0;
    std::vector<std::string> details;
};

int RunOne(const std::string& self, const std::string& archive, const std::string& caseDir,
           const std::string& target, double timeLimit, Outcome& outcome) {
    std::string command = "\"" + self + "\" child \"" + archive + "\" \"" + target + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    const double start = bench::Now();
    // Under load Wine now and then refuses a process start; a case is only given up on
    // after a few tries.
    bool started = false;
    for (int attempt = 0; attempt < 5 && !started; ++attempt) {
        started = CreateProcessA(self.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 caseDir.c_str(), &startup, &info);
        if (!started)
            Sleep(200);
    }
    if (!started)
        return 1;
    CloseHandle(info.hThread);
    const DWORD waited = WaitForSingleObject(info.hProcess, static_cast<DWORD>(timeLimit * 1000));
    outcome.seconds = bench::Now() - start;
    if (waited != WAIT_OBJECT_0) {
        TerminateProcess(info.hProcess, 0xDEAD);
        WaitForSingleObject(info.hProcess, 10000);
        outcome.status = "hang";
    } else {
        GetExitCodeProcess(info.hProcess, &outcome.exitCode);
        const long code = static_cast<long>(outcome.exitCode);
        if (code >= kResultBase - 100 && code <= kResultBase + 100) {
            outcome.result = static_cast<int>(code - kResultBase);
            outcome.status = (outcome.result >= -1 && outcome.result <= 1) ? "ok" : "odd-result";
        } else {
            outcome.status = "crash";
        }
    }
    CloseHandle(info.hProcess);
    return 0;
}

// A file must hold the content some entry of its name declares. A file whose name no
// entry has (the system may drop or change bytes of a malformed name) must still hold
// the content of some entry; it is counted apart, as a name the component passed on.
void CheckFiles(const std::string& target,
                const std::map<std::string, std::set<uint32_t>>& declared, Outcome& outcome) {
    std::set<uint32_t> anyEntry;
    for (const auto& [name, crcs] : declared)
        anyEntry.insert(crcs.begin(), crcs.end());
    for (const auto& entry : bench::ListTree(target)) {
        if (entry.directory)
            continue;
        uint32_t crc = 0;
        const bool read = FileCrc(target + "\\" + entry.relative, crc);
        const auto found = declared.find(NormalName(entry.relative));
        if (found == declared.end()) {
            if (read && anyEntry.count(crc)) {
                ++outcome.unexplained;
                outcome.details.push_back("file named unlike any entry: " + entry.relative);
                continue;
            }
        } else if (read && found->second.count(crc)) {
            continue;
        }
        ++outcome.wrongCrc;
        outcome.details.push_back("wrong CRC " + entry.relative);
    }
}

void CheckEscapes(const Snapshot& before, const Snapshot& after, const std::string& caseDir,
                  Outcome& outcome) {
    for (const auto& [folder, names] : after) {
        const auto& old = before.at(folder);
        for (const auto& name : names) {
            if (old.count(name))
                continue;
            // The case folder holds the target, which the component creates.
            if (folder == caseDir && name == "target")
                continue;
            const bool marked = name.find(kMarker) != std::string::npos;
            if ((folder == kSharedRoot || folder == kSharedTemp) && !marked)
                continue;
            ++outcome.escaped;
            outcome.details.push_back("escaped " + folder + "\\" + name);
            // Out of the way, so the next case starts clean; only what a case put there.
            const std::string path = folder + "\\" + name;
            if (folder == caseDir || marked)
                bench::RemoveTree(path);
        }
    }
}

int Run(const std::string& self, const std::string& batch, const std::string& work,
        const std::string& resultsPath, double timeLimit) {
    const auto cases = ReadCases(batch + "\\cases.tsv");
    const auto expected = ReadExpectations(batch + "\\expect.tsv");
    if (cases.empty()) {
        std::fprintf(stderr, "no cases in %s\n", batch.c_str());
        return 1;
    }
    FILE* results = std::fopen(resultsPath.c_str(), "a");
    if (!results) {
        std::fprintf(stderr, "cannot append to %s\n", resultsPath.c_str());
        return 1;
    }
    CreateDirectoryA(work.c_str(), nullptr);
    const std::string caseDir = work + "\\case";
    const std::string target = caseDir + "\\target";
    const auto watched = WatchedFolders(target);
    std::map<std::string, int> tally;
    for (const Case& c : cases) {
        bench::RemoveTree(caseDir);
        CreateDirectoryA(caseDir.c_str(), nullptr);
        char name[32];
        std::snprintf(name, sizeof name, "\\case_%04d.zip", c.number);
        const Snapshot before = Take(watched);
        Outcome outcome;
        if (RunOne(self, batch + name, caseDir, target, timeLimit, outcome) != 0) {
            std::fprintf(stderr, "cannot start the child for case %d (error %lu)\n", c.number,
                         GetLastError());
            continue;
        }
        if (outcome.status == "ok" && (outcome.result == 0 || outcome.result == 1)) {
            const auto declared = expected.find(c.number);
            CheckFiles(target,
                       declared != expected.end() ? declared->second
                                                  : std::map<std::string, std::set<uint32_t>>{},
                       outcome);
        }
        CheckEscapes(before, Take(watched), caseDir, outcome);
        ++tally[outcome.status];
        std::fprintf(results, "%d\t%s\t%s\t%lu\t%d\t%.3f\t%d\t%d\t%d\n", c.number, c.kinds.c_str(),
                     outcome.status.c_str(), static_cast<unsigned long>(outcome.exitCode),
                     outcome.result, outcome.seconds, outcome.wrongCrc, outcome.escaped,
                     outcome.unexplained);
        std::fflush(results);
        for (const auto& detail : outcome.details)
            std::printf("case %d (%s): %s\n", c.number, c.kinds.c_str(), detail.c_str());
        if (outcome.status != "ok")
            std::printf("case %d (%s): %s, exit code 0x%lx\n", c.number, c.kinds.c_str(),
                        outcome.status.c_str(), static_cast<unsigned long>(outcome.exitCode));
        std::fflush(stdout);
    }
    bench::RemoveTree(caseDir);
    std::fclose(results);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "child" && argc == 4)
        return Child(argv[2], argv[3]);
    if (mode == "run" && argc == 6) {
        char self[MAX_PATH * 2] = {};
        GetModuleFileNameA(nullptr, self, sizeof self);
        return Run(self, argv[2], argv[3], argv[4], std::atof(argv[5]));
    }
    std::fprintf(stderr, "usage: bench_hostile run <batch> <work> <results> <seconds per case>\n"
                         "       bench_hostile child <archive> <target>\n");
    return 2;
}
