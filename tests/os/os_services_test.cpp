#include <windows.h>
#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <thread>

#include "platform/os/services.h"
#include "tests/support/product_process.h"
#include "tests/support/test_files.h"
#include "tools/driver/process.h"
#include "tools/driver/wait.h"

using namespace windriver;

namespace {

struct ComOnThisThread {
    ComOnThisThread() { CoInitialize(nullptr); }
    ~ComOnThisThread() { CoUninitialize(); }
};

// Reads a saved shell link back through the shell's own interfaces.
struct LinkContents {
    bool loaded = false;
    std::string target;
    std::string arguments;
};

LinkContents ReadLink(const std::string& file) {
    LinkContents contents;
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return contents;
    IPersistFile* persist = nullptr;
    link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist));
    std::wstring wide(file.begin(), file.end());
    if (persist && SUCCEEDED(persist->Load(wide.c_str(), STGM_READ))) {
        char buffer[MAX_PATH] = {};
        link->GetPath(buffer, MAX_PATH, nullptr, SLGP_RAWPATH);
        contents.target = buffer;
        link->GetArguments(buffer, MAX_PATH);
        contents.arguments = buffer;
        contents.loaded = true;
    }
    if (persist)
        persist->Release();
    link->Release();
    return contents;
}

TEST(ShortcutFileName, AppendsLnkUnlessTheFileNameHasADot) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\users\\root\\Desktop\\Quillmere", "C:\\users\\root\\Desktop\\Quillmere.lnk"},
        {"C:\\Users\\john.doe\\Desktop\\Quillmere", "C:\\Users\\john.doe\\Desktop\\Quillmere.lnk"},
        {"C:\\Desktop\\Quill.mere", "C:\\Desktop\\Quill.mere"},
        {"C:\\Desktop\\Quillmere.lnk", "C:\\Desktop\\Quillmere.lnk"},
        {"Quillmere", "Quillmere.lnk"},
        {"", ".lnk"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(ShortcutFileName(in), out) << in;
}

TEST(CreateShortcut, SavesALinkThatTheShellReadsBack) {
    ComOnThisThread com;
    ScratchDir dir("link");
    const std::string target = "C:\\Program Files\\Velmora软件\\Quillmere\\Quillmere.exe";
    ASSERT_TRUE(CreateShortcut(dir / "Quillmere", target));
    const LinkContents link = ReadLink(dir / "Quillmere.lnk");
    ASSERT_TRUE(link.loaded);
    EXPECT_EQ(link.target, target);
    EXPECT_EQ(link.arguments, "");
    // The file keeps the show command as set; readers treat everything but normal,
    // maximised and minimised as normal, so look at the header itself.
    const auto bytes = ReadAll(dir / "Quillmere.lnk");
    ASSERT_GT(bytes.size(), 0x40u);
    EXPECT_EQ(bytes[0x3C], SW_SHOW);
}

TEST(CreateShortcut, FolderWithADotStillGetsALnkFile) {
    ComOnThisThread com;
    ScratchDir dir("link");
    const std::string folder = dir / "john.doe";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    ASSERT_TRUE(CreateShortcut(folder + "\\Quillmere", "C:\\x\\Quillmere.exe"));
    EXPECT_TRUE(FileExists(folder + "\\Quillmere.lnk"));
}

TEST(CreateShortcut, FailsIntoAMissingFolderOrWithoutCom) {
    {
        ComOnThisThread com;
        ScratchDir dir("link");
        EXPECT_FALSE(CreateShortcut(dir / "missing\\Quillmere", "C:\\x.exe"));
    }
    bool saved = true;
    std::thread([&] { saved = CreateShortcut("C:\\nowhere-link", "C:\\x.exe"); }).join();
    EXPECT_FALSE(saved);
}

TEST(GetSpecialFolder, EndsInABackslashOrIsEmpty) {
    ScratchDir dir("temp");
    {
        TempDirOverride temp(dir.path());
        EXPECT_EQ(GetSpecialFolder(kFolderTemp), dir.path() + "\\");
    }
    const std::string desktop = GetSpecialFolder(kFolderDesktop);
    ASSERT_FALSE(desktop.empty());
    EXPECT_EQ(desktop.back(), '\\');
    EXPECT_TRUE(DirExists(desktop));
    EXPECT_EQ(GetSpecialFolder(99), "");
}

TEST(RunProgram, QuotedPathWithSpacesStartsTheProductNotAPrefix) {
    ScratchDir dir("run");
    // Unquoted, Windows would try "<dir>\Program.exe" first.
    ASSERT_TRUE(CopyFileA(BuiltProductExe().c_str(), (dir / "Program.exe").c_str(), FALSE));
    const std::string folder = dir / "Program Files";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    const std::string exe = folder + "\\Quillmere.exe";
    ASSERT_TRUE(CopyFileA(BuiltProductExe().c_str(), exe.c_str(), FALSE));

    EXPECT_EQ(QuotedCommandLine(exe), "\"" + exe + "\"");
    EXPECT_TRUE(RunProgram(QuotedCommandLine(exe), false));
    EXPECT_TRUE(WaitUntil([] { return !ProcessIdsNamed("Quillmere.exe").empty(); }, 5000));
    EXPECT_TRUE(ProcessIdsNamed("Program.exe").empty());
    TerminateProcessesNamed("Quillmere.exe");
    TerminateProcessesNamed("Program.exe");
}

TEST(RunProgram, GivesFalseWhenNothingStarts) {
    EXPECT_FALSE(RunProgram("\"C:\\no\\such\\program.exe\"", false));
}

} // namespace
