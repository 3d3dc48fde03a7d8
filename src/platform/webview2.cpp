// WebView2 runtime detection. The runtime's updater records the installed
// version as the REG_SZ value "pv" under its client key, in one of three
// places depending on how the runtime was installed. An uninstalled runtime
// may leave the key behind with "pv" empty or "0.0.0.0", so neither counts.
#include "platform/webview2.h"

#include "common/registry.h"

#include <windows.h>

#include <array>
#include <string>

namespace {

struct RuntimeRegistration {
    HKEY root;
    const wchar_t* subkey;
};

// Place → key, in the order they are consulted. The first names the 32-bit
// view through its path: keys are opened in the 64-bit process's default view
// with no KEY_WOW64_* flag, so the path itself has to say WOW6432Node.
// (HKEY_* are casts of integers, so the table cannot be constexpr.)
const std::array<RuntimeRegistration, 3> kRuntimeRegistrations{{
    {HKEY_LOCAL_MACHINE,
     L"SOFTWARE\\WOW6432Node\\Microsoft\\EdgeUpdate\\Clients\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}"},
    {HKEY_LOCAL_MACHINE,
     L"SOFTWARE\\Microsoft\\EdgeUpdate\\Clients\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}"},
    {HKEY_CURRENT_USER,
     L"Software\\Microsoft\\EdgeUpdate\\Clients\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}"},
}};

constexpr wchar_t kVersionValue[] = L"pv";
constexpr wchar_t kNoVersion[] = L"0.0.0.0";

bool hasRealVersion(const RuntimeRegistration& place) {
    std::wstring version;
    if (!readRegistryString(place.root, place.subkey, kVersionValue, version)) return false;
    // An exact comparison: "0.0.0.0 " is some other text, not the empty version.
    return !version.empty() && version != kNoVersion;
}

}  // namespace

bool isWebView2Installed() {
    for (const RuntimeRegistration& place : kRuntimeRegistrations) {
        if (hasRealVersion(place)) return true;
    }
    return false;
}
