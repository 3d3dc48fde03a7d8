// A screen reader's view of a window, for the tests: the client area's
// accessible object as AccessibleObjectFromWindow hands it out (across
// processes when the window is another program's), its children read the
// way Narrator or NVDA read them, and a log of the WinEvents the window
// raises. The calling thread needs a single-threaded COM apartment, and must
// pump messages (uitest::pumpUntil) for the log to fill.
#pragma once

#include "common/owners.h"

#include <windows.h>
#include <oleacc.h>

#include <string>
#include <vector>

namespace uitest {

struct AccessibleChild {
    long id = 0;
    long role = 0;
    long state = 0;
    std::wstring name;
    std::wstring value;
    std::wstring description;
    std::wstring defaultAction;
    RECT location{};  // screen coordinates
    bool has(long stateBit) const { return (state & stateBit) != 0; }
};

class ScreenReader {
public:
    explicit ScreenReader(HWND window);
    bool connected() const { return static_cast<bool>(client_); }
    IAccessible* client() const { return client_.get(); }

    std::vector<AccessibleChild> children() const;
    AccessibleChild child(long id) const;
    // The id of the first child with the name; 0 when none has it.
    long find(const std::wstring& name) const;
    HRESULT doDefaultAction(long id) const;
    // The child the window says has the keyboard focus: CHILDID_SELF for the
    // client area itself, -1 when the window does not have the focus.
    long focus() const;

private:
    win::ComPtr<IAccessible> client_;
};

struct WinEvent {
    DWORD event = 0;
    long child = 0;
    bool operator==(const WinEvent&) const = default;
};

// The WinEvents that one window raises for its client area, from an
// out-of-context hook; one log at a time.
class WinEventLog {
public:
    explicit WinEventLog(HWND window);
    ~WinEventLog();
    WinEventLog(const WinEventLog&) = delete;
    WinEventLog& operator=(const WinEventLog&) = delete;

    const std::vector<WinEvent>& events() const { return events_; }
    bool seen(DWORD event, long child) const;
    bool seen(DWORD event) const;
    void clear() { events_.clear(); }

private:
    static void CALLBACK record(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD);

    HWND window_;
    HWINEVENTHOOK hook_ = nullptr;
    std::vector<WinEvent> events_;
};

// Real key strokes through SendInput to the foreground window, which is
// made `window` first: posted messages would not set the Shift state.
void typeKey(HWND window, WORD virtualKey, bool withShift = false);
void keyDown(HWND window, WORD virtualKey);
void keyUp(HWND window, WORD virtualKey);

}  // namespace uitest
