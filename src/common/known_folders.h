// The user's shell folders by their known-folder ids.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <string>

// The folder of a known-folder id (SHGetKnownFolderPath, no flags, the
// current user), or empty when Windows cannot give it.
std::wstring knownFolderPath(REFKNOWNFOLDERID id);
