// The setup window: one small custom-drawn window of class
// "TessarkStudioSetupWindow".
#pragma once

#include <windows.h>

// Registers the class, creates the window for the mode in the setup state,
// stores it there, lays it out and shows it. Null when creation failed.
HWND createSetupWindow(HINSTANCE instance);

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
