// What the setup window's clickable elements are and how they are told apart.
// Shared by the layout arithmetic and the Windows side, so free of Windows.
#pragma once

enum ElementKind : int { Button = 0, Checkbox = 1, Link = 2 };

// Element id → element. 0 is never an id: it means "no element" in the
// hover and pressed fields of the setup state.
enum ElementId : int {
    ID_MAIN = 1,           // "Install" / "Update" / "Remove"
    ID_CANCEL = 2,         // "Cancel"
    ID_CHANGE_FOLDER = 3,  // "Change…"
    ID_OPEN_APP = 4,       // "Open Tessark Studio" on Done; the launch checkbox on Welcome
    ID_CLOSE = 5,          // "Close"
    ID_WEBVIEW2_LINK = 6,  // "Get the WebView2 runtime"
    ID_DESKTOP = 7,        // "Create a desktop shortcut"
    ID_START_MENU = 8,     // "Add it to the Start menu"
    ID_EXPLORER = 9,       // "Offer “Open with Tessark Studio” in Explorer"
    ID_PURGE = 10,         // "Also delete settings and cached data"
};
