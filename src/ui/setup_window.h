// The setup window: one small, fixed-size, custom-drawn window of class
// "TessarkStudioSetupWindow" with no child controls. This part creates and
// places it, follows its DPI, makes its fonts and header icon, and lays out
// the clickable elements of the current screen.
#pragma once

#include <windows.h>

// Registers the class, creates the window for the mode in the setup state,
// stores it there, gives it its DPI, fonts and icon, sizes its client area to
// the design scaled to that DPI, centres it on its monitor's work area, lays
// it out and shows it. Null when the window could not be created.
HWND createSetupWindow(HINSTANCE instance);

// A logical length (designed at 96 DPI) in device pixels at the window's DPI.
int scaled(int logical);

// Deletes the four fonts and makes them again for the current DPI.
void createFonts();

// Rebuilds the element list for the current screen and mode from the real
// client rectangle (the design size at the current DPI before the window
// exists). Does not repaint: every caller invalidates the window itself.
void layoutElements();

// WM_DPICHANGED: new DPI, fonts and icon, the suggested rectangle, a new
// layout and a full repaint.
void applyDpiChange(int newDpi, const RECT& suggested);
