// The two option records that drive an install and an uninstall, and the
// progress callback through which both procedures report.
#pragma once

#include <functional>
#include <string>

struct InstallOptions {
    std::wstring installDir;
    bool desktopShortcut = true;
    bool startMenuShortcut = true;
    bool explorerEntries = true;
    bool launchAfter = true;
};

struct UninstallOptions {
    std::wstring installDir;
    bool purgeSettings = false;
};

// A percentage from 0 to 100 and a status text.
using ProgressCallback = std::function<void(int, const std::wstring&)>;
