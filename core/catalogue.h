#pragma once
#include <cstdint>
#include <string_view>

#include "core/catalogue_text.h"

// The catalogue and the entry this installer installs come from core/catalogue.txt and the
// build's INSTALLER_PRODUCT; the program reads nothing of them at run time.
struct BrandCatalogueData {
    std::string_view vendorFolder; // ends in a backslash
    std::string_view productList;  // names separated by '|'
};
extern const BrandCatalogueData BrandCatalogue;

constexpr int kInstalledProductIndex = CATALOGUE_INSTALLED_PRODUCT;
constexpr int64_t kMinFreeMBForDriveD = 1000;

// Whole megabytes of total free space on the volume holding `directory`; 0 when the
// query fails.
int64_t GetDriveFreeMB(const char* directory);
int64_t BytesToWholeMB(uint64_t bytes);
const char* ChooseInstallDrive(int64_t freeMBOnD);

// Created event of the main window: size and place, product state, default directory.
void InitInstallWindow();
