// What a screen reader finds in the setup window, worked out without
// Windows: the children of the client area for the current screen, in
// reading order, each with its role, name, value, states and rectangle, and
// the order the Tab key follows. The names are the texts the painting draws
// (the element labels and the paint plan's screen texts), so what is heard
// is what is shown. The Windows side answers the accessibility calls from
// this list, rebuilt on every call; child ids are positions in it, from 1.
#pragma once

#include "ui/core/element_ids.h"
#include "ui/core/layout.h"
#include "ui/core/paint_plan.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace accessible {

enum class Role { StaticText, PushButton, CheckButton, Link, ProgressBar };

// An element of the current screen as the window holds it.
struct ElementView {
    int id = 0;
    ElementKind kind = Button;
    layout::Rect rect;
    std::wstring_view label;
    bool primary = false;
    bool checked = false;
};

struct Item {
    Role role = Role::StaticText;
    std::wstring name;
    std::wstring value;        // the progress bar's percentage
    std::wstring description;  // under a result heading: the sentence or error below it
    layout::Rect rect;         // client pixels
    int elementId = 0;         // the element an interactive item stands for; 0 for the others
    paint::TextKind textKind = paint::TextKind::Plain;
    bool isDefault = false;  // the primary button, which Enter presses when nothing has focus
    bool checked = false;
    bool focused = false;  // the keyboard's element (the window must have the focus too)
    bool hot = false;      // under the mouse
    bool operator==(const Item&) const = default;
};

struct Input {
    const paint::PaintInput& paint;
    std::span<const ElementView> elements;
    int hoverId = 0;
    int focusId = 0;
};

std::vector<Item> accessibleItems(const Input& in);

// The child id (position from 1) of the first item that satisfies the test; 0 when none does.
int childIdOfElement(std::span<const Item> items, int elementId);
int childIdOfTextKind(std::span<const Item> items, paint::TextKind kind);
int childIdOfRole(std::span<const Item> items, Role role);
// The child whose rectangle holds the client point; 0 when none does.
int childIdAt(std::span<const Item> items, int x, int y);

// The default action's name as Windows' own controls give it: "Press" for a
// button, "Check" or "Uncheck" for a checkbox, "Jump" for the link; empty
// for texts and the progress bar, which have none.
const wchar_t* defaultActionName(const Item& item);

// The element the Tab key moves to from `current` (0: none yet): the next in
// reading order, or with `backwards` (Shift+Tab) the one before, wrapping
// round at either end. 0 when the screen has nothing to reach.
int nextFocus(std::span<const ElementView> elements, int current, bool backwards);

}  // namespace accessible
