#include "core/globals.h"

TextArray ProductList;
int ProductIndex = 0;
std::string_view ProductListText;
Text ProductName;
std::atomic<bool> InstallRunning{false};
StagedFile StagedArchive;

void InitGlobals() {
    ProductList = TextArray();
}

void ReleaseGlobals() {
    TextArray().swap(ProductList);
    Text().swap(ProductName);
    StagedArchive = StagedFile();
}
