// Input of the setup window: the window procedure, hit-testing, the keyboard
// focus, the actions of the elements, and the change from one screen to the
// next.
#pragma once

#include "ui/core/screen.h"

#include <windows.h>

// Posted by the accessible object's default action: wParam the element id,
// lParam the screen it was asked on. The window acts on it only while that
// screen is still shown, and then as a click would.
inline constexpr UINT WM_SETUP_ACTIVATE = WM_APP + 3;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The id of the first element, in list order, whose rectangle holds the
// client point (left and top inclusive, right and bottom exclusive); 0 when
// none does.
int hitTest(POINT point);

// What a click on the element does, and what Space, Enter and a screen
// reader's default action do with it: a checkbox toggles, a button or the
// link acts (clickElement). An id that is not on the screen does nothing.
void activateElement(int id);

// The action of a button or the link; checkboxes have none here.
void clickElement(int id);

// Every change of screen: the new screen laid out with nothing focused, the
// hover taken afresh from where the mouse is, a full repaint, and the change
// announced to screen readers.
void enterScreen(Screen screen);
