// The one record behind the setup window. wWinMain fills it before the
// window exists; afterwards only the window's thread reads or writes it. The
// worker thread never touches it: it works on copies and reports through
// posted messages.
#pragma once

#include "common/core/options.h"
#include "common/owners.h"
#include "ui/core/palette.h"
#include "ui/core/screen.h"
#include "ui/elements.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

// The client area's accessible object (ui/accessibility). The window holds
// one reference; letting go of it also disconnects the object, which from
// then on answers every call with CO_E_OBJNOTCONNECTED.
class ClientAccessible;
void releaseClientAccessible(ClientAccessible* accessible);
using ClientAccessibleRef = win::Unique<ClientAccessible*, releaseClientAccessible, 0>;

struct SetupState {
    HINSTANCE instance = nullptr;
    HWND window = nullptr;
    Screen screen = Screen::Welcome;
    int dpi = 96;
    win::UniqueFont titleFont;
    win::UniqueFont bodyFont;
    win::UniqueFont smallFont;
    win::UniqueFont buttonFont;
    win::UniqueIcon headerIcon;
    std::vector<UiElement> elements;
    int hoverId = 0;
    int pressedId = 0;
    int focusId = 0;           // the element Tab has reached; 0 = none
    int keyPressedId = 0;      // the element Space went down on; 0 = none
    bool focusHidden = false;  // the window's UI state hides focus cues (UISF_HIDEFOCUS)
    paint::Palette palette = paint::kDarkPalette;  // or the high-contrast one of the system colours
    ClientAccessibleRef accessible;                // made on the first request for it
    InstallOptions options;
    UninstallOptions uninstallOptions;
    bool uninstallMode = false;
    bool webView2Present = true;
    bool existingInstall = false;
    std::uint64_t payloadBytes = 0;
    int progress = 0;
    std::wstring statusText;
    std::wstring errorText;
    std::thread worker;
};

// The program's one instance, with static storage duration; it never moves,
// so checkbox elements may point into its option records for the life of the
// process.
SetupState& setupState();
