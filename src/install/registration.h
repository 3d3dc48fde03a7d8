// Making the installed application known to the user's desktop: the entry in
// the list of installed programs and the application's own Explorer entries.
// Both steps fail silently: the application runs without them.
#pragma once

#include <cstdint>
#include <string>

// The uninstall entry under HKEY_CURRENT_USER: ten values, each written on
// its own so that one that fails does not stop the others. payloadBytes is
// the sum of the payload's file sizes (EstimatedSize is it in KiB).
void writeUninstallEntry(const std::wstring& installDir, std::uint64_t payloadBytes);

// Has the installed application add its Explorer entries; waits for it at
// most 20 s and ignores what it did.
void addExplorerEntries(const std::wstring& appExe);
