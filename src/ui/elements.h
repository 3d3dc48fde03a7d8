// The clickable elements of the setup window. The window has no child
// controls: every button, checkbox and link is one of these, placed by the
// layout, drawn by the painting and hit-tested by the window procedure.
#pragma once

#include "ui/core/element_ids.h"

#include <windows.h>

#include <string>

struct UiElement {
    int id = 0;  // never 0: 0 means "no element" in hoverId and pressedId
    ElementKind kind = Button;
    RECT rect{};  // client device pixels, right and bottom exclusive
    std::wstring label;
    bool primary = false;   // the accent button; Enter acts on the first one
    bool* value = nullptr;  // a checkbox's option, inside SetupState
};
