// GDI+ for the whole run: gdiplus.dll is not a KnownDLL, so it is loaded at
// run time from the system folder only (a DLL planted beside the installer in
// a Downloads folder must never load), and its flat API is reached through
// the function pointers kept here. Starting GDI+ returns a session whose
// destructor shuts it down.
#pragma once

#include "platform/owners.h"

class GdiplusSession {
public:
    // Loads gdiplus.dll and calls GdiplusStartup (version 1, no debug
    // callback, background thread and external codecs not suppressed).
    // A machine without GDI+ still runs: the session is then inactive.
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
};
