#include "ui/primitives.h"

namespace gp {
namespace {

// The objects below exist only while a session is active, so the table is there.
const GdiplusApi& api() {
    return *gdiplusApi();
}

}  // namespace

void deleteGraphics(GpGraphics* graphics) { api().deleteGraphics(graphics); }
void deletePath(GpPath* path) { api().deletePath(path); }
void deleteBrush(GpSolidFill* brush) { api().deleteBrush(reinterpret_cast<GpBrush*>(brush)); }
void deletePen(GpPen* pen) { api().deletePen(pen); }

RectF toRectF(const RECT& rect) {
    return {static_cast<float>(rect.left), static_cast<float>(rect.top), static_cast<float>(rect.right - rect.left),
            static_cast<float>(rect.bottom - rect.top)};
}

UniqueGraphics openGraphics(HDC dc) {
    UniqueGraphics graphics;
    if (!gdiplusApi()) return graphics;
    api().createFromHdc(dc, graphics.put());
    if (graphics) api().setSmoothingMode(graphics.get(), kSmoothingModeAntiAlias);
    return graphics;
}

}  // namespace gp

namespace {

gp::UniqueBrush solidBrush(ARGB color) {
    gp::UniqueBrush brush;
    gdiplusApi()->createSolidFill(color, brush.put());
    return brush;
}

gp::UniquePen pen(ARGB color, float width) {
    gp::UniquePen pen;
    gdiplusApi()->createPen1(color, width, kUnitWorld, pen.put());
    return pen;
}

GpBrush* asBrush(const gp::UniqueBrush& brush) {
    return reinterpret_cast<GpBrush*>(brush.get());
}

}  // namespace

void addRoundedRectPath(GpPath* path, const gp::RectF& r, float radius) {
    const GdiplusApi& api = *gdiplusApi();
    const float d = 2 * radius;
    // GDI+ angles: degrees clockwise from the positive x axis, y pointing down.
    api.addPathArc(path, r.x, r.y, d, d, 180, 90);
    api.addPathArc(path, r.x + r.width - d, r.y, d, d, 270, 90);
    api.addPathArc(path, r.x + r.width - d, r.y + r.height - d, d, d, 0, 90);
    api.addPathArc(path, r.x, r.y + r.height - d, d, d, 90, 90);
    api.closePathFigure(path);
}

void fillRoundedRect(GpGraphics* graphics, const gp::RectF& rect, float radius, ARGB fill, const ARGB* outline) {
    if (!graphics) return;
    const GdiplusApi& api = *gdiplusApi();
    gp::UniquePath path;
    api.createPath(kFillModeAlternate, path.put());
    if (!path) return;
    addRoundedRectPath(path.get(), rect, radius);
    const gp::UniqueBrush brush = solidBrush(fill);
    if (brush) api.fillPath(graphics, asBrush(brush), path.get());
    if (!outline) return;
    // Width 1.0 in world units: with no transform, one device pixel.
    const gp::UniquePen stroke = pen(*outline, 1.0f);
    if (stroke) api.drawPath(graphics, stroke.get(), path.get());
}

void fillRoundedRect(GpGraphics* graphics, const RECT& rect, float radius, ARGB fill, const ARGB* outline) {
    fillRoundedRect(graphics, gp::toRectF(rect), radius, fill, outline);
}

void strokeRoundedRect(GpGraphics* graphics, const RECT& rect, float radius, ARGB color, float width) {
    if (!graphics) return;
    const GdiplusApi& api = *gdiplusApi();
    gp::UniquePath path;
    api.createPath(kFillModeAlternate, path.put());
    if (!path) return;
    addRoundedRectPath(path.get(), gp::toRectF(rect), radius);
    const gp::UniquePen stroke = pen(color, width);
    if (stroke) api.drawPath(graphics, stroke.get(), path.get());
}

void fillRectangle(GpGraphics* graphics, const RECT& rect, ARGB fill) {
    if (!graphics) return;
    const gp::UniqueBrush brush = solidBrush(fill);
    if (brush) {
        gdiplusApi()->fillRectangleI(graphics, asBrush(brush), rect.left, rect.top, rect.right - rect.left,
                                     rect.bottom - rect.top);
    }
}

void drawLine(GpGraphics* graphics, ARGB color, float width, POINT from, POINT to) {
    if (!graphics) return;
    const gp::UniquePen stroke = pen(color, width);
    if (stroke) gdiplusApi()->drawLineI(graphics, stroke.get(), from.x, from.y, to.x, to.y);
}

void drawRoundPolyline(GpGraphics* graphics, ARGB color, float width, std::span<const GpPointF> points) {
    if (!graphics) return;
    const GdiplusApi& api = *gdiplusApi();
    const gp::UniquePen stroke = pen(color, width);
    if (!stroke) return;
    api.setPenStartCap(stroke.get(), kLineCapRound);
    api.setPenEndCap(stroke.get(), kLineCapRound);
    api.drawLines(graphics, stroke.get(), points.data(), static_cast<int>(points.size()));
}
