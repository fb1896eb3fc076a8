#include "core/catalogue.h"

#include <windows.h>

#include "core/globals.h"
#include "platform/runtime/runtime.h"
#include "platform/scoped_win.h"
#include "ui/main_window.h"

const BrandCatalogueData BrandCatalogue = {
    CATALOGUE_VENDOR_FOLDER,
    CATALOGUE_PRODUCT_LIST,
};

namespace {
constexpr const char* kQueriedDrive = "d:";
constexpr const char* kDriveD = "D:\\";
constexpr const char* kDriveC = "C:\\";
constexpr double kBytesPerMB = 1048576.0;
constexpr int kWindowTop = 300;

} // namespace

int64_t BytesToWholeMB(uint64_t bytes) {
    // Conversion by truncation toward zero, whatever the FPU rounding mode says.
    return static_cast<int64_t>(static_cast<double>(bytes) / kBytesPerMB);
}

int64_t GetDriveFreeMB(const char* directory) {
    ULARGE_INTEGER available{}, total{}, totalFree{};
    {
        // A drive without a medium must not bring up the system's "insert a disk" box.
        ScopedErrorMode quiet(SEM_FAILCRITICALERRORS);
        GetDiskFreeSpaceExA(directory, &available, &total, &totalFree);
    }
    return BytesToWholeMB(totalFree.QuadPart);
}

const char* ChooseInstallDrive(int64_t freeMBOnD) {
    return freeMBOnD < kMinFreeMBForDriveD ? kDriveC : kDriveD;
}

void InitInstallWindow() {
    SetControlProperty(主窗口, kPropWidth, kMainWindowWidth);
    SetControlProperty(主窗口, kPropHeight, kMainWindowHeight);
    SetControlProperty(主窗口, kPropTop, kWindowTop);
    const char* drive = ChooseInstallDrive(GetDriveFreeMB(kQueriedDrive));
    ProductIndex = kInstalledProductIndex;
    const std::string_view VendorFolder = BrandCatalogue.vendorFolder;
    ProductListText = BrandCatalogue.productList;
    ProductList = SplitText(ProductListText);
    const Text& entry = Element(ProductList, ProductIndex);
    ProductName = Text(entry);
    SetControlProperty(标签_安装目录, kPropCaption, Concat({drive, VendorFolder, ProductName}));
}
