#pragma once
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "core/globals.h"
#include "platform/os/services.h"
#include "tests/support/fake_runtime.h"
#include "tests/support/product_process.h"
#include "tests/support/test_files.h"
#include "tools/driver/process.h"
#include "tools/driver/wait.h"
#include "ui/main_window.h"

// A loaded main window on the recording runtime, a temporary directory of the test's own
// and an install directory inside the scratch folder.
class InstallFlow : public ::testing::Test {
protected:
    ScratchDir scratch{"flow"};
    std::string tempDir = scratch / "temp";
    std::string installDir = scratch / "target\\Quillmere";
    std::optional<TempDirOverride> tempOverride;

    void SetUp() override {
        CreateDirectoryA(tempDir.c_str(), nullptr);
        tempOverride.emplace(tempDir);
        InitGlobals();
        gFake.Reset();
        LoadWindow(MainWindow);
        gFake.calls.clear();
        SetInstallDir(installDir);
        RemoveLeftovers();
    }

    void TearDown() override {
        windriver::TerminateProcessesNamed("Quillmere.exe");
        RemoveLeftovers();
        InstallRunning = false;
        ReleaseGlobals();
    }

    static void SetInstallDir(const std::string& dir) {
        gFake.properties[{标签_安装目录, kPropCaption}].text = dir;
    }

    static std::string DesktopShortcut() {
        return GetSpecialFolder(kFolderDesktop) + "Quillmere.lnk";
    }
    std::string PrimaryStaged() const { return tempDir + "\\tool.zip"; }
    static std::string FallbackStaged() { return "C:\\tool.zip"; }

    void RemoveLeftovers() const {
        DeleteFileA(DesktopShortcut().c_str());
        DeleteFileA(FallbackStaged().c_str());
    }

    // How many completion questions (Yes and No, information icon) were asked.
    static size_t QuestionsAsked() {
        const auto boxes = gFake.Boxes();
        return std::count_if(boxes.begin(), boxes.end(),
                             [](const BoxShown& box) { return box.style == 68; });
    }
};
