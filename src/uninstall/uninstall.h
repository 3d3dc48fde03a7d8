// The uninstall procedure: removes what the install manifest lists, the
// folders that leaves empty, the application's Explorer entries and its
// uninstall entry, and on request its settings and cached data.
#pragma once

#include <string>

#include "common/core/options.h"

// Runs every step of the uninstall, reporting through `progress`. Returns
// false only when the install manifest cannot be read; then nothing has been
// touched and `error` holds the message for the user. Every later failure (a
// file in use, a folder that is not empty, a missing registry key) is passed
// over and the result is true. The running uninstaller and the install folder
// itself remain; scheduleSelfDelete deals with them after the program exits.
bool performUninstall(const UninstallOptions& options, const ProgressCallback& progress,
                      std::wstring& error);
