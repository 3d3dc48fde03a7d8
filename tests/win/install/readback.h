// Reading back what an install leaves, through the interfaces Explorer and
// the list of installed programs use: shell links and raw registry data.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct ShortcutFields {
    std::wstring target;
    std::wstring workingFolder;
    std::wstring description;
    std::wstring iconPath;
    int iconIndex = -1;
};

// Loads a .lnk file through IShellLinkW; nullopt when it cannot be loaded.
// The calling thread must have COM initialised.
std::optional<ShortcutFields> readShortcut(const std::wstring& path);

// The bytes of REG_SZ data (terminating zero included) and of REG_DWORD data.
std::vector<std::uint8_t> stringData(const std::wstring& text);
std::vector<std::uint8_t> dwordData(DWORD number);
