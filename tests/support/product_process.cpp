#include "tests/support/product_process.h"

#include <windows.h>

#include "tools/driver/text.h"

std::string BuiltProductExe() {
    return windriver::WindowsPath(QUILLMERE_EXE);
}

RunningCopy::RunningCopy(const std::string& folder, const std::string& exeName) {
    const std::string copy = folder + "\\" + exeName;
    if (!CopyFileA(BuiltProductExe().c_str(), copy.c_str(), FALSE))
        return;
    process_ = windriver::Process::Start(copy);
    if (process_.started())
        WaitForInputIdle(process_.handle(), 5000);
}
