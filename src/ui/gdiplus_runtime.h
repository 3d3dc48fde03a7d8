// GDI+ for the whole run: gdiplus.dll is not a KnownDLL, so it is loaded at
// run time from the system folder only (a DLL planted beside the installer in
// a Downloads folder must never load), and its flat API is reached through
// the function table kept here. There is no GDI+ import library in the
// build, so the few flat-API entry points the window draws with are declared
// here by hand. Starting GDI+ returns a session whose destructor shuts it
// down; while a session is active, gdiplusApi() hands out its table.
#pragma once

#include "common/owners.h"

#include <cstdint>

// The flat API's opaque objects and plain types.
struct GpGraphics;
struct GpPath;
struct GpBrush;
struct GpSolidFill;
struct GpPen;
struct GpPointF {
    float x;
    float y;
};
using GpStatus = int;
using ARGB = std::uint32_t;

// The enumeration values the window uses.
inline constexpr int kFillModeAlternate = 0;
inline constexpr int kUnitWorld = 0;
inline constexpr int kSmoothingModeAntiAlias = 4;
inline constexpr int kLineCapRound = 2;

struct GdiplusApi {
    GpStatus(WINAPI* createFromHdc)(HDC, GpGraphics**) = nullptr;
    GpStatus(WINAPI* deleteGraphics)(GpGraphics*) = nullptr;
    GpStatus(WINAPI* setSmoothingMode)(GpGraphics*, int) = nullptr;
    GpStatus(WINAPI* graphicsClear)(GpGraphics*, ARGB) = nullptr;
    GpStatus(WINAPI* createPath)(int, GpPath**) = nullptr;
    GpStatus(WINAPI* deletePath)(GpPath*) = nullptr;
    GpStatus(WINAPI* addPathArc)(GpPath*, float, float, float, float, float, float) = nullptr;
    GpStatus(WINAPI* closePathFigure)(GpPath*) = nullptr;
    GpStatus(WINAPI* createSolidFill)(ARGB, GpSolidFill**) = nullptr;
    GpStatus(WINAPI* deleteBrush)(GpBrush*) = nullptr;
    GpStatus(WINAPI* fillPath)(GpGraphics*, GpBrush*, GpPath*) = nullptr;
    GpStatus(WINAPI* fillRectangleI)(GpGraphics*, GpBrush*, int, int, int, int) = nullptr;
    GpStatus(WINAPI* createPen1)(ARGB, float, int, GpPen**) = nullptr;
    GpStatus(WINAPI* deletePen)(GpPen*) = nullptr;
    GpStatus(WINAPI* setPenStartCap)(GpPen*, int) = nullptr;
    GpStatus(WINAPI* setPenEndCap)(GpPen*, int) = nullptr;
    GpStatus(WINAPI* drawPath)(GpGraphics*, GpPen*, GpPath*) = nullptr;
    GpStatus(WINAPI* drawLines)(GpGraphics*, GpPen*, const GpPointF*, int) = nullptr;
    GpStatus(WINAPI* drawLineI)(GpGraphics*, GpPen*, int, int, int, int) = nullptr;
};

class GdiplusSession {
public:
    // Loads gdiplus.dll and calls GdiplusStartup (version 1, no debug
    // callback, background thread and external codecs not suppressed).
    // A machine without GDI+ still runs: the session is then inactive and
    // the window draws its texts without shapes.
    GdiplusSession();
    ~GdiplusSession();
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;

    bool active() const { return token_ != 0; }
    HMODULE module() const { return module_.get(); }

private:
    using ShutdownFn = void(WINAPI*)(ULONG_PTR);
    win::UniqueModule module_;
    ULONG_PTR token_ = 0;
    ShutdownFn shutdown_ = nullptr;
    GdiplusApi api_;
};

// The flat API of the active session, or null when GDI+ is not running (no
// session, or one that could not start or find every entry point).
const GdiplusApi* gdiplusApi();
