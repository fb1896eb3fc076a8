// Another process for the extraction tests, which need one: Wine enforces share modes
// between processes as Windows does.
//
//   other_process hold <file> <event>  opens the file without sharing, sets the named
//                                      event, and keeps the file open until ended
//   other_process try <file>           tries to change the file; the exit code has bit 1
//                                      set when it could open it for writing, 2 rename
//                                      it (and put it back), 4 delete it, 8 read it
#include <windows.h>

#include <cstring>
#include <string>

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool CanOpen(const char* path, DWORD access) {
    HANDLE file = CreateFileA(path, access, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

bool CanRename(const char* path) {
    std::string moved = std::string(path) + ".moved";
    if (!MoveFileA(path, moved.c_str()))
        return false;
    MoveFileA(moved.c_str(), path);
    return true;
}

int Hold(const char* path, const char* eventName) {
    HANDLE file =
        CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, eventName);
    if (file == INVALID_HANDLE_VALUE || ready == nullptr)
        return 2;
    SetEvent(ready);
    Sleep(INFINITE);
    return 0;
}

int Try(const char* path) {
    int changes = 0;
    if (CanOpen(path, GENERIC_WRITE))
        changes |= 1;
    if (CanRename(path))
        changes |= 2;
    if (DeleteFileA(path))
        changes |= 4;
    if (CanOpen(path, GENERIC_READ))
        changes |= 8;
    return changes;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "hold") == 0)
        return Hold(argv[2], argv[3]);
    if (argc == 3 && std::strcmp(argv[1], "try") == 0)
        return Try(argv[2]);
    return 100;
}
