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

}  // namespace

GdiplusSession::GdiplusSession() : module_(win::loadSystemLibrary(L"gdiplus.dll")) {
    if (!module_) return;
    auto startup = win::procAddress<StartupFn>(module_.get(), "GdiplusStartup");
    shutdown_ = win::procAddress<ShutdownFn>(module_.get(), "GdiplusShutdown");
    if (!startup || !shutdown_) return;
    const StartupInput input;
    ULONG_PTR token = 0;
    if (startup(&token, &input, nullptr) == 0) token_ = token;
}

GdiplusSession::~GdiplusSession() {
    if (token_ != 0) shutdown_(token_);
}
