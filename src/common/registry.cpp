// The registry string read. The value is queried into a fixed, zero-filled
// buffer: RegQueryValueExW does not promise a terminating NUL, and the zeros
// behind the data supply one whenever the data leaves room for it.
#include "common/registry.h"

#include "common/owners.h"

#include <algorithm>
#include <array>

bool readRegistryString(HKEY root, const std::wstring& subkey, const wchar_t* valueName,
                        std::wstring& text) {
    win::UniqueKey key;
    if (RegOpenKeyExW(root, subkey.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return false;

    std::array<wchar_t, kRegistryStringUnits> buffer{};
    DWORD type = REG_NONE;
    DWORD bytes = sizeof(buffer);
    const LSTATUS status = RegQueryValueExW(key.get(), valueName, nullptr, &type,
                                            reinterpret_cast<BYTE*>(buffer.data()), &bytes);
    key.reset();
    // A value larger than the buffer fails here with ERROR_MORE_DATA.
    if (status != ERROR_SUCCESS || type != REG_SZ) return false;

    // Data of exactly the buffer's size may carry no NUL at all.
    const auto end = std::find(buffer.cbegin(), buffer.cend(), L'\0');
    text.assign(buffer.cbegin(), end);
    return true;
}
