// The product's shortcuts in the user's Start-menu Programs folder and on the
// desktop. Creating one fails silently: the application runs without it.
#pragma once

#include "common/core/options.h"

#include <string>

// What the shortcut step needs of a running install. The manifest text gets
// one '@' line per shortcut actually saved.
struct InstallContext {
    const std::wstring& appExe;
    const InstallOptions& options;
    std::string& manifest;
};

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
