// What preparing the runtime does to the process, the embedded manifest, and threads.
#include <gtest/gtest.h>

#include <objbase.h>

#include <atomic>
#include <cstdio>
#include <new>
#include <string>

#include "platform/os/system_library.h"
#include "platform/runtime/startup.h"
#include "tests/runtime/runtime_support.h"
#include "tests/runtime/test_window.h"

namespace {
using ::testing::ExitedWithCode;

std::string CurrentFolder() {
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, folder);
    std::string path = folder;
    if (path.back() != '\\')
        path += '\\';
    return path;
}

TEST(StartupTest, PreparingMakesTheProgramsFolderTheCurrentOne) {
    EXPECT_EXIT(
        {
            SetCurrentDirectoryA("C:\\windows");
            PrepareRuntime();
            bool same = lstrcmpiA(CurrentFolder().c_str(), ProgramFolder().c_str()) == 0;
            std::fprintf(stderr, "%s: %s\n", same ? "program folder" : "elsewhere",
                         CurrentFolder().c_str());
            ExitProcess(0);
        },
        ExitedWithCode(0), "program folder");
}

TEST(StartupTest, PreparingInitialisesOleOnTheCallingThread) {
    EXPECT_EXIT(
        {
            PrepareRuntime();
            // OLE made this thread single-threaded; asking for the free model must fail.
            HRESULT asked = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            std::fprintf(stderr, "%s\n", asked == RPC_E_CHANGED_MODE ? "apartment taken" : "free");
            ExitProcess(0);
        },
        ExitedWithCode(0), "apartment taken");
}

TEST(StartupTest, PreparingInstallsANewHandler) {
    EnsureTestWindow();
    EXPECT_NE(std::get_new_handler(), nullptr);
}

// runtime_probe.dll lies beside this program, where the default search finds it.
TEST(StartupTest, HardenedSearchNoLongerLoadsADllFromTheProgramsFolder) {
    for (bool harden : {false, true}) {
        EXPECT_EXIT(
            {
                if (harden)
                    HardenDllSearch();
                HMODULE probe = LoadLibraryA("runtime_probe.dll");
                std::fprintf(stderr, "%s\n", probe ? "loaded" : "not loaded");
                ExitProcess(probe ? 0 : 1);
            },
            ExitedWithCode(harden ? 1 : 0), "");
    }
}

TEST(StartupTest, SystemLibrariesComeFromTheSystemFolderOnly) {
    EXPECT_EQ(LoadSystemLibrary("runtime_probe.dll"), nullptr);
    HMODULE comctl = LoadSystemLibrary("comctl32.dll");
    ASSERT_NE(comctl, nullptr);
    char path[MAX_PATH] = {}, system[MAX_PATH] = {};
    GetModuleFileNameA(comctl, path, MAX_PATH);
    GetSystemDirectoryA(system, MAX_PATH);
    EXPECT_EQ(CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, path, -1,
                             (std::string(system) + "\\comctl32.dll").c_str(), -1),
              CSTR_EQUAL)
        << path;
}

TEST(StartupTest, HardenedSearchStillLoadsSystemDlls) {
    EXPECT_EXIT(
        {
            HardenDllSearch();
            HardenDllSearch(); // a second call does no harm
            ExitProcess(LoadLibraryA("shell32.dll") && LoadLibraryA("version.dll") ? 0 : 1);
        },
        ExitedWithCode(0), "");
}

std::string Manifest() {
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    if (!found)
        return {};
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(nullptr, found)));
    return std::string(bytes, SizeofResource(nullptr, found));
}

TEST(StartupTest, ManifestRunsAsInvokerOnWindows7To11) {
    std::string manifest = Manifest();
    ASSERT_FALSE(manifest.empty());
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
    for (const char* os :
         {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
          "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})
        EXPECT_NE(manifest.find(std::string("<supportedOS Id=\"") + os + "\"/>"), std::string::npos)
            << os;
}

std::atomic<DWORD> gRoutineThread{0};
void NoteThread() {
    gRoutineThread = GetCurrentThreadId();
}

TEST(StartupTest, StartThreadRunsTheRoutineOnANewThread) {
    gRoutineThread = 0;
    EXPECT_TRUE(StartThread(NoteThread));
    DWORD start = GetTickCount();
    while (gRoutineThread == 0 && GetTickCount() - start < 5000)
        Sleep(10);
    EXPECT_NE(gRoutineThread.load(), 0u);
    EXPECT_NE(gRoutineThread.load(), GetCurrentThreadId());
    EXPECT_FALSE(StartThread(nullptr));
}
} // namespace
