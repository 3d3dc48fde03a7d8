// The uninstall procedure: removes what the install manifest lists, the
// folders that leaves empty, the application's Explorer entries and its
// uninstall entry, and on request its settings and cached data.
#pragma once

#include <string>

#include "common/core/options.h"

// Runs every step of the uninstall, reporting through `progress`. Returns
// false, with the message for the user in `error`, when the install manifest
// cannot be read (nothing has been touched then), and when a file or shortcut
// it lists is still there afterwards (in use): the manifest then lists just
// what is left and the uninstaller, and the uninstall entry stays, so that a
// later run finishes the job. Other failures (a folder that is not empty, a
// missing registry key) are passed over. The running uninstaller and the
// install folder itself remain; after a true result scheduleSelfDelete deals
// with them once the program has exited.
bool performUninstall(const UninstallOptions& options, const ProgressCallback& progress,
                      std::wstring& error);
