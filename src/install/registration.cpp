// The uninstall entry in the current user's list of installed programs, and
// the application's Explorer-entries step.
#include "install/registration.h"

#include "common/core/paths.h"
#include "common/core/product.h"
#include "common/core/switches.h"
#include "common/owners.h"
#include "common/process.h"

#include <algorithm>
#include <array>
#include <limits>

namespace {

constexpr std::size_t kUninstallValueCount = 10;
constexpr DWORD kYes = 1;

struct UninstallValue {
    const wchar_t* name;
    DWORD type;  // REG_SZ: `text` is written; REG_DWORD: `number`
    std::wstring text;
    DWORD number = 0;
};

std::wstring quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

DWORD kibibytes(std::uint64_t bytes) {
    return static_cast<DWORD>(std::min<std::uint64_t>(bytes >> 10, std::numeric_limits<DWORD>::max()));
}

// Value name → type and data, in the order they are written.
std::array<UninstallValue, kUninstallValueCount> uninstallValues(const std::wstring& installDir,
                                                                  std::uint64_t payloadBytes) {
    const std::wstring uninstaller = quoted(joinPath(installDir, product::kUninstallerExe));
    return {{
        {L"DisplayName", REG_SZ, product::kName},
        {L"DisplayVersion", REG_SZ, product::kVersion},
        {L"Publisher", REG_SZ, product::kPublisher},
        {L"DisplayIcon", REG_SZ, joinPath(installDir, product::kAppExe)},
        {L"InstallLocation", REG_SZ, installDir},
        {L"UninstallString", REG_SZ, uninstaller},
        {L"QuietUninstallString", REG_SZ, uninstaller + L" " + switches::kSilent},
        {L"NoModify", REG_DWORD, {}, kYes},
        {L"NoRepair", REG_DWORD, {}, kYes},
        {L"EstimatedSize", REG_DWORD, {}, kibibytes(payloadBytes)},
    }};
}

void setValue(HKEY key, const UninstallValue& value) {
    if (value.type == REG_DWORD) {
        RegSetValueExW(key, value.name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value.number),
                       sizeof(value.number));
        return;
    }
    // REG_SZ data carries its terminating zero.
    const DWORD bytes = static_cast<DWORD>((value.text.size() + 1) * sizeof(wchar_t));
    RegSetValueExW(key, value.name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.text.c_str()), bytes);
}

}  // namespace

void writeUninstallEntry(const std::wstring& installDir, std::uint64_t payloadBytes) {
    for (const UninstallValue& value : uninstallValues(installDir, payloadBytes)) {
        // Opened afresh for every value: a key that cannot be opened now costs
        // this value only, and the next one is tried all the same.
        win::UniqueKey key;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, product::kUninstallKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_WRITE, nullptr, key.put(), nullptr) != ERROR_SUCCESS) {
            continue;
        }
        setValue(key.get(), value);
    }
}

void addExplorerEntries(const std::wstring& appExe) {
    runAndWait(appExe, product::kRegisterShellArgs, product::kShellStepTimeoutMs);
}
