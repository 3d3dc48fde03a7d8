#include "platform/launch_app.h"

#include "common/core/paths.h"
#include "common/core/product.h"

#include <windows.h>
#include <shellapi.h>

void launchApp(const std::wstring& installDir) {
    const std::wstring exe = joinPath(installDir, product::kAppExe);
    ShellExecuteW(nullptr, L"open", exe.c_str(), nullptr, installDir.c_str(), SW_SHOWNORMAL);
}
