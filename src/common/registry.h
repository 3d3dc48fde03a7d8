// Reading one string value from the registry, for the installer's few
// look-ups: the folder of an earlier install and the WebView2 runtime's
// version.
#pragma once

#include <windows.h>

#include <string>

// The read buffer, in UTF-16 units: a path of MAX_PATH with room to spare
// for long version strings. A value whose data does not fit is treated as
// missing.
inline constexpr DWORD kRegistryStringUnits = 1040;

// True only when the value exists under root\subkey, is a REG_SZ, and its
// data fits in kRegistryStringUnits units; then `text` becomes the value up
// to its first NUL. On false `text` is left as it was. REG_EXPAND_SZ fails on
// purpose: nothing here expands environment strings.
bool readRegistryString(HKEY root, const std::wstring& subkey, const wchar_t* valueName,
                        std::wstring& text);
