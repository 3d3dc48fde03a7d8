// The clickable elements of the setup window. The window has no child
// controls: every button, checkbox and link is one of these, placed by the
// layout, drawn by the painting and hit-tested by the window procedure.
#pragma once

#include <windows.h>

#include <string>

enum ElementKind : int { Button = 0, Checkbox = 1, Link = 2 };

enum ElementId : int {
    ID_MAIN = 1,
    ID_CANCEL = 2,
    ID_CHANGE_FOLDER = 3,
    ID_OPEN_APP = 4,  // "Open Tessark Studio" on Done; the launch checkbox on Welcome
    ID_CLOSE = 5,
    ID_WEBVIEW2_LINK = 6,
    ID_DESKTOP = 7,
    ID_START_MENU = 8,
    ID_EXPLORER = 9,
    ID_PURGE = 10,
};

struct UiElement {
    int id = 0;  // never 0: 0 means "no element" in hoverId and pressedId
    ElementKind kind = Button;
    RECT rect{};  // client device pixels, right and bottom exclusive
    std::wstring label;
    bool primary = false;   // the accent button; Enter acts on the first one
    bool* value = nullptr;  // a checkbox's option, inside SetupState
};
