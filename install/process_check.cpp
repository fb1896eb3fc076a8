#include <windows.h>
#include <tlhelp32.h>

#include "core/text.h"
#include "install/start.h"

namespace {
class Snapshot {
public:
    Snapshot() : h_(CreateToolhelp32Snapshot(TH32CS_SNAPALL, 0)) {}
    ~Snapshot() {
        if (valid())
            CloseHandle(h_);
    }
    Snapshot(const Snapshot&) = delete;
    Snapshot& operator=(const Snapshot&) = delete;
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return h_; }

private:
    HANDLE h_;
};
} // namespace

bool IsProcessRunning(std::string_view exeName) {
    Snapshot snapshot;
    if (!snapshot.valid())
        return false;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    const Text wanted = LowerAscii(exeName);
    for (BOOL more = Process32First(snapshot.get(), &entry); more;
         more = Process32Next(snapshot.get(), &entry)) {
        if (CompareText(LowerAscii(entry.szExeFile), wanted) == 0)
            return true;
    }
    return false;
}
