// Painting of the setup window: the whole client area, drawn from the setup
// state into an off-screen bitmap and shown with one BitBlt, so nothing but
// finished frames reaches the screen (the class has no background brush and
// the window answers WM_ERASEBKGND itself). Shapes are anti-aliased GDI+,
// texts and the icon GDI. Painting only reads the state.
#pragma once

#include "ui/core/paint_plan.h"
#include "ui/gdiplus_runtime.h"
#include "ui/setup_state.h"

#include <windows.h>

// Draws the full client area onto `target`; `client` is its GetClientRect.
void paintWindow(HDC target, const RECT& client);

// The elements of the current screen: first every shape (GDI+), then every
// text (GDI), both in list order. `graphics` may be null when GDI+ is not
// running; the texts are drawn all the same.
void drawElements(HDC dc, GpGraphics* graphics);

// What the paint plan reads of the state, for a client of the given size.
paint::PaintInput paintInputFor(const SetupState& state, int width, int height);

// The palette the system asks for now: the window's own dark one, or under a
// high-contrast theme (SPI_GETHIGHCONTRAST) one of the system colours.
paint::Palette systemPalette();
