#include "install/process_check.h"

#include <windows.h>
#include <tlhelp32.h>

#include "core/text.h"
#include "platform/scoped_win.h"

bool IsProcessRunning(std::string_view exeName) {
    UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPALL, 0));
    if (!snapshot)
        return false;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    const Text wanted = LowerAscii(exeName);
    for (BOOL more = Process32First(snapshot.Get(), &entry); more;
         more = Process32Next(snapshot.Get(), &entry)) {
        if (CompareText(LowerAscii(entry.szExeFile), wanted) == 0)
            return true;
    }
    return false;
}
