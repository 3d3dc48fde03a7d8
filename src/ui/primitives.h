// Drawing primitives of the setup window: owners for the GDI+ objects that a
// paint creates, and the anti-aliased rounded rectangle every shape of the
// window is made of (buttons, checkbox boxes, the install-location box, the
// progress bar). Each call creates its path, brush and pen and releases them
// before it returns; nothing is cached between paints. GDI+ status codes are
// not acted upon: a failing call leaves its part of the picture missing.
#pragma once

#include "ui/gdiplus_runtime.h"

#include <windows.h>

#include <span>

namespace gp {

void deleteGraphics(GpGraphics* graphics);
void deletePath(GpPath* path);
void deleteBrush(GpSolidFill* brush);
void deletePen(GpPen* pen);

using UniqueGraphics = win::Unique<GpGraphics*, deleteGraphics, 0>;
using UniquePath = win::Unique<GpPath*, deletePath, 0>;
using UniqueBrush = win::Unique<GpSolidFill*, deleteBrush, 0>;
using UniquePen = win::Unique<GpPen*, deletePen, 0>;

struct RectF {
    float x = 0;
    float y = 0;
    float width = 0;
    float height = 0;
};

// Exact int → float conversion of left, top, width and height.
RectF toRectF(const RECT& rect);

// A graphics object on the DC with anti-aliasing on; empty when GDI+ is not running.
UniqueGraphics openGraphics(HDC dc);

}  // namespace gp

// Appends one closed rounded-rectangle figure: four 90° corner arcs of
// diameter 2 × radius, clockwise from the top-left; GDI+ joins each arc to
// the last with a straight edge and closing the figure adds the left edge.
// The radius is not clamped: a rectangle smaller than the diameter gives
// overlapping arcs, which is why the progress fill is only drawn once it is
// wider than the bar is high.
void addRoundedRectPath(GpPath* path, const gp::RectF& rect, float radius);

// Fills the rounded rectangle (alternate fill mode) and, when `outline` is
// given, strokes the same path with a 1-pixel pen of that colour, so the
// outline straddles the edge half inside and half outside.
void fillRoundedRect(GpGraphics* graphics, const RECT& rect, float radius, ARGB fill, const ARGB* outline);
void fillRoundedRect(GpGraphics* graphics, const gp::RectF& rect, float radius, ARGB fill, const ARGB* outline);

// The outline alone of a rounded rectangle, with a pen of the given width
// centred on the edge (the keyboard's focus ring).
void strokeRoundedRect(GpGraphics* graphics, const RECT& rect, float radius, ARGB color, float width);

// A solid rectangle with integer corners (the header band).
void fillRectangle(GpGraphics* graphics, const RECT& rect, ARGB fill);
// A straight line of the given pen width in world units (the header rule).
void drawLine(GpGraphics* graphics, ARGB color, float width, POINT from, POINT to);
// One open polyline with round caps at both ends (the check mark).
void drawRoundPolyline(GpGraphics* graphics, ARGB color, float width, std::span<const GpPointF> points);
