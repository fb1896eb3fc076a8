#pragma once
#include <string>
#include <vector>

// What the stand-in ZIP component saw and what it reports.
struct FakeExtraction {
    std::string archivePath;
    std::string target;
    std::vector<int> percents{0, 50, 100};
    int result = 1;
};
extern FakeExtraction gFakeExtraction;
