// The client area's IAccessible. It holds the window handle and nothing
// else: every call rebuilds the screen's items from the setup state (every
// layout replaces the element list, so a pointer into it would dangle), and
// child ids are positions in that list. Its reference count is a plain
// integer, since every call arrives on the window's single-threaded
// apartment. When the window is destroyed it lets go of the object, which
// then answers CO_E_OBJNOTCONNECTED to whoever still holds it.
//
// A default action never runs inside the call: pressing "Install" may open a
// message box and "Change…" the folder picker, which must not happen while a
// client waits on a cross-process call. It posts WM_SETUP_ACTIVATE and
// returns; the window then acts as on a click.
#include "ui/accessibility.h"

#include "common/owners.h"
#include "ui/painting.h"
#include "ui/setup_state.h"
#include "ui/window_proc.h"

#include <oleacc.h>

#include <new>
#include <string>

namespace {

// oleacc.dll and oleaut32.dll are not imported (the stub takes no new import
// for this); the few entry points used are looked up once. The DLLs stay
// loaded for the process: an object they have marshalled may be held by a
// client after the window is gone.
struct AccessibilityApi {
    decltype(&LresultFromObject) lresultFromObject = nullptr;
    decltype(&AccessibleObjectFromWindow) objectFromWindow = nullptr;
    decltype(&SysAllocString) allocString = nullptr;
    bool ready() const { return lresultFromObject && objectFromWindow && allocString; }
};

const AccessibilityApi& api() {
    static const AccessibilityApi loaded = [] {
        AccessibilityApi entries;
        if (const HMODULE oleacc = win::loadSystemLibrary(L"oleacc.dll").release()) {
            entries.lresultFromObject =
                win::procAddress<decltype(entries.lresultFromObject)>(oleacc, "LresultFromObject");
            entries.objectFromWindow =
                win::procAddress<decltype(entries.objectFromWindow)>(oleacc, "AccessibleObjectFromWindow");
        }
        if (const HMODULE oleaut = win::loadSystemLibrary(L"oleaut32.dll").release()) {
            entries.allocString = win::procAddress<decltype(entries.allocString)>(oleaut, "SysAllocString");
        }
        return entries;
    }();
    return loaded;
}

// Role → MSAA role.
long msaaRole(accessible::Role role) {
    switch (role) {
    case accessible::Role::StaticText: return ROLE_SYSTEM_STATICTEXT;
    case accessible::Role::PushButton: return ROLE_SYSTEM_PUSHBUTTON;
    case accessible::Role::CheckButton: return ROLE_SYSTEM_CHECKBUTTON;
    case accessible::Role::Link: return ROLE_SYSTEM_LINK;
    case accessible::Role::ProgressBar: return ROLE_SYSTEM_PROGRESSBAR;
    }
    return ROLE_SYSTEM_STATICTEXT;
}

bool windowHasFocus() {
    return GetFocus() == setupState().window;
}

long msaaState(const accessible::Item& item) {
    long state = 0;
    switch (item.role) {
    case accessible::Role::StaticText:
    case accessible::Role::ProgressBar: state |= STATE_SYSTEM_READONLY; break;
    case accessible::Role::Link: state |= STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_LINKED; break;
    case accessible::Role::PushButton:
    case accessible::Role::CheckButton: state |= STATE_SYSTEM_FOCUSABLE; break;
    }
    if (item.isDefault) state |= STATE_SYSTEM_DEFAULT;
    if (item.checked) state |= STATE_SYSTEM_CHECKED;
    if (item.hot) state |= STATE_SYSTEM_HOTTRACKED;
    if (item.focused && windowHasFocus()) state |= STATE_SYSTEM_FOCUSED;
    return state;
}

// The client area itself is focused while no element is.
long clientState() {
    const bool focused = windowHasFocus() && setupState().focusId == 0;
    return STATE_SYSTEM_FOCUSABLE | (focused ? STATE_SYSTEM_FOCUSED : 0);
}

std::vector<accessible::Item> currentItems() {
    const SetupState& state = setupState();
    RECT client{};
    GetClientRect(state.window, &client);
    const paint::PaintInput paintInput = paintInputFor(state, client.right, client.bottom);
    const std::vector<accessible::ElementView> views = elementViews();
    return accessible::accessibleItems({paintInput, views, state.hoverId, state.focusId});
}

void raise(DWORD event, int childId) {
    NotifyWinEvent(event, setupState().window, OBJID_CLIENT, childId);
}

void setChild(VARIANT* out, long childId) {
    out->vt = VT_I4;
    out->lVal = childId;
}

void setEmpty(VARIANT* out) {
    out->vt = VT_EMPTY;
}

HRESULT giveString(const std::wstring& text, BSTR* out) {
    if (text.empty()) return S_FALSE;
    *out = api().allocString(text.c_str());
    return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

class ClientAccessible final : public IAccessible {
public:
    explicit ClientAccessible(HWND window) : window_(window) {}
    ClientAccessible(const ClientAccessible&) = delete;
    ClientAccessible& operator=(const ClientAccessible&) = delete;

    void disconnect() { window_ = nullptr; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible)) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    // IDispatch: no type information is offered; clients call through the vtable.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        if (!parent) return E_POINTER;
        *parent = nullptr;
        if (!window_) return CO_E_OBJNOTCONNECTED;
        return api().objectFromWindow(window_, static_cast<DWORD>(OBJID_WINDOW), __uuidof(IDispatch),
                                      reinterpret_cast<void**>(parent));
    }

    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
        if (!count) return E_POINTER;
        if (!window_) return CO_E_OBJNOTCONNECTED;
        *count = static_cast<long>(currentItems().size());
        return S_OK;
    }

    // The children are simple elements, answered through this object.
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        Target target;
        if (const HRESULT hr = resolve(child, target); FAILED(hr)) return hr;
        return target.self ? E_INVALIDARG : S_FALSE;
    }

    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (!name) return E_POINTER;
        *name = nullptr;
        Target target;
        if (const HRESULT hr = resolve(child, target); FAILED(hr)) return hr;
        if (!target.self) return giveString(target.item().name, name);
        wchar_t title[128] = {};
        GetWindowTextW(window_, title, 128);
        return giveString(title, name);
    }

    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        if (!value) return E_POINTER;
        *value = nullptr;
        Target target;
        if (const HRESULT hr = resolve(child, target); FAILED(hr)) return hr;
        return target.self ? S_FALSE : giveString(target.item().value, value);
    }

    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
        if (!description) return E_POINTER;
        *description = nullptr;
        Target target;
        if (const HRESULT hr = resolve(child, target); FAILED(hr)) return hr;
        return target.self ? S_FALSE : giveString(target.item().description, description);
    }

    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (!role) return E_POINTER;
        setEmpty(role);
        Target target;
        if (const HRESULT hr = resolve(child, target); FAILED(hr)) return hr;
        setChild(role, target.self ? ROLE_SYSTEM_CLIENT : msaaRole(target.item().role));
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        if (!state) return E_POINTER;
        setEmpty(state);
        Target target;
        if (const HRESULT hr = resolve(child, target); FAILED(hr)) return hr;
        setChild(state, target.self ? clientState() : msaaState(target.item()));
        return S_OK;
    }

    // No help and no shortcut keys: S_FALSE, "none", for every valid child.
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
        if (!help) return E_POINTER;
        *help = nullptr;
        return validOr(child, S_FALSE);
    }

    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
        if (!file || !topic) return E_POINTER;
        *file = nullptr;
        *topic = 0;
        return validOr(child, S_FALSE);
    }

    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
        if (!shortcut) return E_POINTER;
        *shortcut = nullptr;
        return validOr(child, S_FALSE);
    }

    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
        if (!focus) return E_POINTER;
        setEmpty(focus);
        if (!window_) return CO_E_OBJNOTCONNECTED;
        if (!windowHasFocus()) return S_FALSE;
        setChild(focus, accessible::childIdOfElement(currentItems(), setupState().focusId));
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
        if (!selection) return E_POINTER;
        setEmpty(selection);
        return window_ ? S_FALSE : CO_E_OBJNOTCONNECTED;
    }

    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        if (!action) return E_POINTER;
        *action = nullptr;
        Target target;
        if (const HRESULT hr = resolve(child, target); FAILED(hr)) return hr;
        return target.self ? S_FALSE : giveString(accessible::defaultActionName(target.item()), action);
    }

    // Only Tab moves the keyboard focus; nothing here selects.
    HRESULT STDMETHODCALLTYPE accSelect(long, VARIANT child) override { return validOr(child, DISP_E_MEMBERNOTFOUND); }

    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override {
        if (!left || !top || !width || !height) return E_POINTER;
        Target target;
        if (const HRESULT hr = resolve(child, target); FAILED(hr)) return hr;
        RECT rect{};
        if (target.self) {
            GetClientRect(window_, &rect);
        } else {
            const layout::Rect& item = target.item().rect;
            rect = {item.left, item.top, item.right, item.bottom};
        }
        MapWindowPoints(window_, nullptr, reinterpret_cast<POINT*>(&rect), 2);
        *left = rect.left;
        *top = rect.top;
        *width = rect.right - rect.left;
        *height = rect.bottom - rect.top;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
        if (!end) return E_POINTER;
        setEmpty(end);
        Target target;
        if (const HRESULT hr = resolve(start, target); FAILED(hr)) return hr;
        const long count = target.count();
        long next = 0;
        if (target.self && direction == NAVDIR_FIRSTCHILD) next = 1;
        else if (target.self && direction == NAVDIR_LASTCHILD) next = count;
        else if (!target.self && direction == NAVDIR_NEXT) next = target.childId + 1;
        else if (!target.self && direction == NAVDIR_PREVIOUS) next = target.childId - 1;
        if (next < 1 || next > count) return S_FALSE;
        setChild(end, next);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* hit) override {
        if (!hit) return E_POINTER;
        setEmpty(hit);
        if (!window_) return CO_E_OBJNOTCONNECTED;
        POINT point{x, y};
        RECT client{};
        ScreenToClient(window_, &point);
        GetClientRect(window_, &client);
        if (!PtInRect(&client, point)) return S_FALSE;
        setChild(hit, accessible::childIdAt(currentItems(), point.x, point.y));
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        Target target;
        if (const HRESULT hr = resolve(child, target); FAILED(hr)) return hr;
        if (target.self || target.item().elementId == 0) return DISP_E_MEMBERNOTFOUND;
        PostMessageW(window_, WM_SETUP_ACTIVATE, static_cast<WPARAM>(target.item().elementId),
                     static_cast<LPARAM>(setupState().screen));
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    ~ClientAccessible() = default;  // only Release deletes

    // What a VARIANT names: the client area itself (CHILDID_SELF) or one of
    // the current items.
    struct Target {
        std::vector<accessible::Item> items;
        long childId = 0;
        bool self = false;
        long count() const { return static_cast<long>(items.size()); }
        const accessible::Item& item() const { return items[static_cast<std::size_t>(childId - 1)]; }
    };

    HRESULT resolve(const VARIANT& child, Target& target) const {
        if (!window_) return CO_E_OBJNOTCONNECTED;
        if (child.vt != VT_I4) return E_INVALIDARG;
        target.items = currentItems();
        target.childId = child.lVal;
        target.self = child.lVal == CHILDID_SELF;
        if (target.self) return S_OK;
        if (child.lVal < 1 || child.lVal > target.count()) return E_INVALIDARG;
        return S_OK;
    }

    // `answer` for a child that exists, else why it does not.
    HRESULT validOr(const VARIANT& child, HRESULT answer) const {
        Target target;
        const HRESULT hr = resolve(child, target);
        return FAILED(hr) ? hr : answer;
    }

    HWND window_;
    ULONG references_ = 1;
};

void releaseClientAccessible(ClientAccessible* accessible) {
    accessible->disconnect();
    accessible->Release();
}

LRESULT answerGetObject(HWND window, WPARAM wParam, LPARAM lParam) {
    // The object id arrives as a 32-bit value in lParam.
    const bool client = static_cast<LONG>(static_cast<DWORD>(lParam)) == OBJID_CLIENT;
    SetupState& state = setupState();
    if (!client || window != state.window || !api().ready()) {
        return DefWindowProcW(window, WM_GETOBJECT, wParam, lParam);
    }
    if (!state.accessible) state.accessible.reset(new (std::nothrow) ClientAccessible(window));
    if (!state.accessible) return 0;
    return api().lresultFromObject(__uuidof(IAccessible), wParam, state.accessible.get());
}

std::vector<accessible::ElementView> elementViews() {
    const std::vector<UiElement>& elements = setupState().elements;
    std::vector<accessible::ElementView> views(elements.size());
    for (std::size_t i = 0; i < elements.size(); ++i) {
        const UiElement& element = elements[i];
        const layout::Rect rect{element.rect.left, element.rect.top, element.rect.right, element.rect.bottom};
        views[i] = {element.id, element.kind, rect, element.label, element.primary, element.value && *element.value};
    }
    return views;
}

void announceFocus() {
    if (!windowHasFocus()) return;
    raise(EVENT_OBJECT_FOCUS, accessible::childIdOfElement(currentItems(), setupState().focusId));
}

void announceChecked(int elementId) {
    raise(EVENT_OBJECT_STATECHANGE, accessible::childIdOfElement(currentItems(), elementId));
}

void announceProgress(bool percentChanged, bool statusChanged) {
    const std::vector<accessible::Item> items = currentItems();
    using accessible::childIdOfRole, accessible::childIdOfTextKind;
    if (percentChanged) raise(EVENT_OBJECT_VALUECHANGE, childIdOfRole(items, accessible::Role::ProgressBar));
    if (statusChanged) raise(EVENT_OBJECT_NAMECHANGE, childIdOfTextKind(items, paint::TextKind::Status));
}

void announceScreen() {
    const std::vector<accessible::Item> items = currentItems();
    raise(EVENT_OBJECT_REORDER, CHILDID_SELF);
    const int heading = accessible::childIdOfTextKind(items, paint::TextKind::Heading);
    if (heading == 0) return;
    raise(EVENT_OBJECT_NAMECHANGE, heading);
    const Screen screen = setupState().screen;
    if (screen == Screen::Done || screen == Screen::Failed) raise(EVENT_SYSTEM_ALERT, heading);
}

void announceFolderChange() {
    const std::vector<accessible::Item> items = currentItems();
    raise(EVENT_OBJECT_NAMECHANGE, accessible::childIdOfTextKind(items, paint::TextKind::Folder));
    raise(EVENT_OBJECT_NAMECHANGE, accessible::childIdOfElement(items, ID_MAIN));
}
