// The setup window as screen readers see it (Microsoft Active
// Accessibility). To Windows the custom-drawn window is one blank client
// area, so the window answers WM_GETOBJECT for its client with an
// IAccessible of its own whose children are the current screen's elements
// and texts (ui/core/accessible_items), and it raises the WinEvents that
// make a reader speak: focus, checkbox state, progress and screen changes.
// UI Automation reads the same object through its MSAA bridge.
//
// Everything here runs on the window's thread, in its single-threaded COM
// apartment; calls from other processes arrive through that thread's message
// loop. oleacc.dll is not a KnownDLL, so it is loaded from the system folder
// at run time, only once a client asks.
#pragma once

#include "ui/core/accessible_items.h"

#include <windows.h>

#include <vector>

// WM_GETOBJECT: the client area's accessible object when lParam asks for
// OBJID_CLIENT, otherwise what DefWindowProcW answers.
LRESULT answerGetObject(HWND window, WPARAM wParam, LPARAM lParam);

// The current screen's elements as the accessibility and focus rules read them.
std::vector<accessible::ElementView> elementViews();

// The WinEvents, raised on the window's thread after the state has changed.
void announceFocus();                  // the keyboard focus moved (to an element, or back to none)
void announceChecked(int elementId);   // a checkbox was toggled
void announceProgress(bool percentChanged, bool statusChanged);
void announceScreen();                 // a new screen: its heading, and on Done or Failed an alert
void announceFolderChange();           // "Change…" picked another folder: its text and the main button
