// What an uninstall leaves to tidy: folders that the file deletion emptied.
// The install folder itself is never removed here; it goes (when nothing
// foreign is left in it) by the delayed self-deletion, because the running
// uninstaller still sits in it.
#pragma once

#include <string>

#include "app/options.h"

// True when the folder holds no entry besides "." and "..". Hidden and system
// entries count as content. A folder that cannot be listed counts as empty:
// the removal that follows then fails on its own if it is not.
bool isDirectoryEmpty(const std::wstring& folder);

// Removes `folder` when it is empty, then its parent when that became empty,
// and so on upward while the path is longer than options.installDir. Every
// folder handed in lies inside the install folder, so comparing lengths is
// enough to stop short of it. Stops silently at the first folder that is
// missing, not a folder, not empty or not removable.
void removeEmptyDirectories(const std::wstring& folder, const UninstallOptions& options);
