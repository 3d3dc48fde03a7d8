// The application's Explorer entries: "Open with Tessark Studio" on folders
// and on the background of an open folder, for the current user only. Each
// entry is a verb key under HKCU\Software\Classes whose "command" subkey runs
// this executable with the folder: "%1" for a folder that was clicked, "%V"
// for the folder whose background was clicked.
#pragma once

#include <string>

namespace studio {

inline constexpr wchar_t kShellVerbText[] = L"Open with Tessark Studio";
inline constexpr wchar_t kFolderVerbPath[] = L"Software\\Classes\\Directory\\shell\\TessarkStudio";
inline constexpr wchar_t kBackgroundVerbPath[] =
    L"Software\\Classes\\Directory\\Background\\shell\\TessarkStudio";

// Writes both verbs for the executable at exePath; true when both are complete.
bool registerShellEntries(const std::wstring& exePath);
// Deletes both verb keys with their subkeys, and nothing above them; a key
// that is already gone counts as removed.
bool unregisterShellEntries();

}  // namespace studio
