// Painting of the setup window: the whole client area, drawn from the setup
// state into an off-screen bitmap and shown with one BitBlt, so nothing but
// finished frames reaches the screen (the class has no background brush and
// the window answers WM_ERASEBKGND itself). Shapes are anti-aliased GDI+,
// texts and the icon GDI. Painting only reads the state.
#pragma once

#include "ui/gdiplus_runtime.h"

#include <windows.h>

// Draws the full client area onto `target`; `client` is its GetClientRect.
void paintWindow(HDC target, const RECT& client);

// The elements of the current screen: first every shape (GDI+), then every
// text (GDI), both in list order. `graphics` may be null when GDI+ is not
// running; the texts are drawn all the same.
void drawElements(HDC dc, GpGraphics* graphics);
