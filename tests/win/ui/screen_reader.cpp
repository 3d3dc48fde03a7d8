#include "screen_reader.h"

namespace uitest {
namespace {

VARIANT childVariant(long id) {
    VARIANT v{};
    v.vt = VT_I4;
    v.lVal = id;
    return v;
}

// A BSTR out-parameter taken into a string and freed.
std::wstring text(IAccessible* client, HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*), long id) {
    BSTR value = nullptr;
    if ((client->*get)(childVariant(id), &value) != S_OK || !value) return L"";
    std::wstring copy = value;
    SysFreeString(value);
    return copy;
}

long number(IAccessible* client, HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, VARIANT*), long id) {
    VARIANT value{};
    if ((client->*get)(childVariant(id), &value) != S_OK || value.vt != VT_I4) return -1;
    return value.lVal;
}

WinEventLog* activeLog = nullptr;

void sendKey(WORD virtualKey, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof input);
}

}  // namespace

ScreenReader::ScreenReader(HWND window) {
    AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible), client_.putVoid());
}

std::vector<AccessibleChild> ScreenReader::children() const {
    std::vector<AccessibleChild> all;
    long count = 0;
    if (!client_ || client_->get_accChildCount(&count) != S_OK) return all;
    for (long id = 1; id <= count; ++id) all.push_back(child(id));
    return all;
}

AccessibleChild ScreenReader::child(long id) const {
    AccessibleChild c;
    c.id = id;
    if (!client_) return c;
    IAccessible* client = client_.get();
    c.role = number(client, &IAccessible::get_accRole, id);
    c.state = number(client, &IAccessible::get_accState, id);
    c.name = text(client, &IAccessible::get_accName, id);
    c.value = text(client, &IAccessible::get_accValue, id);
    c.description = text(client, &IAccessible::get_accDescription, id);
    c.defaultAction = text(client, &IAccessible::get_accDefaultAction, id);
    long left = 0, top = 0, width = 0, height = 0;
    if (client->accLocation(&left, &top, &width, &height, childVariant(id)) == S_OK) {
        c.location = {left, top, left + width, top + height};
    }
    return c;
}

long ScreenReader::find(const std::wstring& name) const {
    for (const AccessibleChild& c : children()) {
        if (c.name == name) return c.id;
    }
    return 0;
}

HRESULT ScreenReader::doDefaultAction(long id) const {
    return client_ ? client_->accDoDefaultAction(childVariant(id)) : E_FAIL;
}

long ScreenReader::focus() const {
    VARIANT focused{};
    if (!client_ || client_->get_accFocus(&focused) != S_OK || focused.vt != VT_I4) return -1;
    return focused.lVal;
}

WinEventLog::WinEventLog(HWND window) : window_(window) {
    activeLog = this;
    hook_ = SetWinEventHook(EVENT_MIN, EVENT_MAX, nullptr, record, 0, 0, WINEVENT_OUTOFCONTEXT);
}

WinEventLog::~WinEventLog() {
    if (hook_) UnhookWinEvent(hook_);
    activeLog = nullptr;
}

void CALLBACK WinEventLog::record(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD) {
    if (!activeLog || window != activeLog->window_ || object != OBJID_CLIENT) return;
    activeLog->events_.push_back({event, child});
}

bool WinEventLog::seen(DWORD event, long child) const {
    for (const WinEvent& e : events_) {
        if (e.event == event && e.child == child) return true;
    }
    return false;
}

bool WinEventLog::seen(DWORD event) const {
    for (const WinEvent& e : events_) {
        if (e.event == event) return true;
    }
    return false;
}

void keyDown(HWND window, WORD virtualKey) {
    SetForegroundWindow(window);
    sendKey(virtualKey, false);
}

void keyUp(HWND window, WORD virtualKey) {
    SetForegroundWindow(window);
    sendKey(virtualKey, true);
}

void typeKey(HWND window, WORD virtualKey, bool withShift) {
    SetForegroundWindow(window);
    if (withShift) sendKey(VK_SHIFT, false);
    sendKey(virtualKey, false);
    sendKey(virtualKey, true);
    if (withShift) sendKey(VK_SHIFT, true);
}

}  // namespace uitest
