#pragma once
#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

// What the stand-in ZIP component saw and what it reports.
struct FakeExtraction {
    HANDLE archive = nullptr;
    std::string target;
    std::vector<int> percents{0, 50, 100};
    int result = 1;
    // Instead of the percents: runs as a real extraction does, making property calls from
    // its thread as the installer's progress handler does, until it is asked to stop.
    bool runUntilStopped = false;
};
extern FakeExtraction gFakeExtraction;
// Whether a run-until-stopped extraction has started, and whether it saw the stop and
// finished undoing.
extern std::atomic<bool> gFakeExtractionRunning;
extern std::atomic<bool> gFakeExtractionUndone;
