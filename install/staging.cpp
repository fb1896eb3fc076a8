#include "install/staging.h"

#include "core/globals.h"
#include "platform/os/services.h"
#include "platform/runtime/runtime.h"
#include "ui/main_window.h"

Text PrimaryStagingPath() {
    return Concat({GetSpecialFolder(kFolderTemp), "\\tool.zip"});
}

Text FallbackStagingPath(std::string_view installDir) {
    return Concat({FirstByte(installDir), ":\\tool.zip"});
}

Text ExecutablePath(std::string_view installDir) {
    return Concat({installDir, "\\", ProductName, ".exe"});
}

Text ReadInstallDir() {
    return GetControlProperty(标签_安装目录, kPropCaption).text;
}
