// Input of the setup window: the window procedure, hit-testing and the
// actions of the buttons and the link.
#pragma once

#include <windows.h>

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The id of the first element, in list order, whose rectangle holds the
// client point (left and top inclusive, right and bottom exclusive); 0 when
// none does.
int hitTest(POINT point);

// The action of a button or the link; checkboxes have none here.
void clickElement(int id);
