// Making the installed application known to the user's desktop: the
// Start-menu and desktop shortcuts, the entry in the list of installed
// programs, and the application's own Explorer entries. Every step here fails
// silently: the application runs without any of them.
#pragma once

#include "app/options.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdint>
#include <string>

// What the shortcut step needs of a running install. The manifest text gets
// one '@' line per shortcut actually saved.
struct InstallContext {
    const std::wstring& appExe;
    const InstallOptions& options;
    std::string& manifest;
};

// The folder of a known-folder id (SHGetKnownFolderPath, no flags, the
// current user), or empty when Windows cannot give it.
std::wstring knownFolderPath(REFKNOWNFOLDERID id);

// Saves a shell link at shortcutPath pointing at target, with the working
// folder, the description and the target's first icon. True only when the
// file was saved; an existing shortcut of that name is replaced.
bool createShortcut(const std::wstring& shortcutPath, const std::wstring& target,
                    const std::wstring& workingFolder, const std::wstring& description);

// The product's shortcut in `folder`, recorded in the manifest when saved.
// An empty folder (a known folder that could not be found) adds nothing.
void addShortcut(InstallContext& context, const std::wstring& folder);

// The Start-menu shortcut, then the desktop one, as the options ask.
void addShortcuts(InstallContext& context);

// The uninstall entry under HKEY_CURRENT_USER: ten values, each written on
// its own so that one that fails does not stop the others. payloadBytes is
// the sum of the payload's file sizes (EstimatedSize is it in KiB).
void writeUninstallEntry(const std::wstring& installDir, std::uint64_t payloadBytes);

// Has the installed application add its Explorer entries; waits for it at
// most 20 s and ignores what it did.
void addExplorerEntries(const std::wstring& appExe);
