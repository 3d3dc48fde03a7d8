#include "ui/gdiplus_runtime.h"

namespace {

// The start-up record of GdiplusStartup, version 1.
struct StartupInput {
    UINT32 version = 1;
    void* debugEventCallback = nullptr;
    BOOL suppressBackgroundThread = FALSE;
    BOOL suppressExternalCodecs = FALSE;
};

using StartupFn = int(WINAPI*)(ULONG_PTR*, const StartupInput*, void*);

// The table of the session that is running; only the window's thread starts,
// stops and draws with GDI+.
const GdiplusApi* activeApi = nullptr;

template <typename Fn>
bool bind(HMODULE module, Fn& slot, const char* name) {
    slot = win::procAddress<Fn>(module, name);
    return slot != nullptr;
}

bool bindAll(HMODULE module, GdiplusApi& api) {
    bool ok = true;
    ok &= bind(module, api.createFromHdc, "GdipCreateFromHDC");
    ok &= bind(module, api.deleteGraphics, "GdipDeleteGraphics");
    ok &= bind(module, api.setSmoothingMode, "GdipSetSmoothingMode");
    ok &= bind(module, api.graphicsClear, "GdipGraphicsClear");
    ok &= bind(module, api.createPath, "GdipCreatePath");
    ok &= bind(module, api.deletePath, "GdipDeletePath");
    ok &= bind(module, api.addPathArc, "GdipAddPathArc");
    ok &= bind(module, api.closePathFigure, "GdipClosePathFigure");
    ok &= bind(module, api.createSolidFill, "GdipCreateSolidFill");
    ok &= bind(module, api.deleteBrush, "GdipDeleteBrush");
    ok &= bind(module, api.fillPath, "GdipFillPath");
    ok &= bind(module, api.fillRectangleI, "GdipFillRectangleI");
    ok &= bind(module, api.createPen1, "GdipCreatePen1");
    ok &= bind(module, api.deletePen, "GdipDeletePen");
    ok &= bind(module, api.setPenStartCap, "GdipSetPenStartCap");
    ok &= bind(module, api.setPenEndCap, "GdipSetPenEndCap");
    ok &= bind(module, api.drawPath, "GdipDrawPath");
    ok &= bind(module, api.drawLines, "GdipDrawLines");
    ok &= bind(module, api.drawLineI, "GdipDrawLineI");
    return ok;
}

}  // namespace

GdiplusSession::GdiplusSession() : module_(win::loadSystemLibrary(L"gdiplus.dll")) {
    if (!module_) return;
    auto startup = win::procAddress<StartupFn>(module_.get(), "GdiplusStartup");
    shutdown_ = win::procAddress<ShutdownFn>(module_.get(), "GdiplusShutdown");
    if (!startup || !shutdown_) return;
    const StartupInput input;
    ULONG_PTR token = 0;
    if (startup(&token, &input, nullptr) != 0) return;
    token_ = token;
    if (bindAll(module_.get(), api_)) activeApi = &api_;
}

GdiplusSession::~GdiplusSession() {
    if (activeApi == &api_) activeApi = nullptr;
    if (token_ != 0) shutdown_(token_);
}

const GdiplusApi* gdiplusApi() {
    return activeApi;
}
