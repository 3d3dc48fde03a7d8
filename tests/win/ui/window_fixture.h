// Helpers for the setup-window tests: a clean setup state, a real window made
// by createSetupWindow in this process, the message pumping that posted
// reports need, and clicks and keys delivered as the system delivers them.
#pragma once

#include "ui/setup_state.h"

#include <windows.h>

#include <functional>
#include <string>

namespace uitest {

// Joins a worker, destroys a window left over, and puts every field of the
// setup state back to its start value.
void resetState();

// A fresh window: resetState, then `prepare` fills the state as wWinMain
// would, then createSetupWindow.
HWND openWindow(const std::function<void(SetupState&)>& prepare);

// Dispatches this thread's messages until the predicate holds; false after timeoutMs.
bool pumpUntil(const std::function<bool()>& predicate, DWORD timeoutMs = 20000);
// Dispatches whatever is queued now.
void pumpPending();

bool windowGone();
const UiElement* element(int id);
POINT centreOf(int id);

// Button down at one client point, up at another: what a real click sends.
void pressAndRelease(POINT down, POINT up);
void clickOn(int id);
void key(WPARAM virtualKey);
void closeRequest();  // WM_CLOSE, as the caption's button and Alt+F4 send it

// Posts a report as the worker does, the text on the heap (or 0 when null).
void postProgress(int percent, const wchar_t* text);
void postDone(bool succeeded, const wchar_t* errorText);

}  // namespace uitest
