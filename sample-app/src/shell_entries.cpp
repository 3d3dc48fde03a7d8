#include "shell_entries.h"

#include "common/owners.h"

namespace studio {
namespace {

struct ShellVerb {
    const wchar_t* keyPath;
    const wchar_t* folderArgument;  // the placeholder Explorer replaces with the folder
};

constexpr ShellVerb kVerbs[] = {
    {kFolderVerbPath, L"%1"},
    {kBackgroundVerbPath, L"%V"},
};

bool setString(HKEY key, const wchar_t* name, const std::wstring& value) {
    const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    return ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes) ==
           ERROR_SUCCESS;
}

win::UniqueKey createKey(HKEY parent, const std::wstring& path) {
    win::UniqueKey key;
    if (::RegCreateKeyExW(parent, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(),
                          nullptr) != ERROR_SUCCESS)
        key.reset();
    return key;
}

bool registerVerb(const ShellVerb& verb, const std::wstring& exePath) {
    const std::wstring verbPath = verb.keyPath;
    win::UniqueKey verbKey = createKey(HKEY_CURRENT_USER, verbPath);
    if (!verbKey) return false;
    win::UniqueKey commandKey = createKey(HKEY_CURRENT_USER, verbPath + L"\\command");
    if (!commandKey) return false;

    const std::wstring command = L"\"" + exePath + L"\" \"" + verb.folderArgument + L"\"";
    return setString(verbKey.get(), nullptr, kShellVerbText) &&
           setString(verbKey.get(), L"Icon", exePath + L",0") &&
           setString(commandKey.get(), nullptr, command);
}

bool unregisterVerb(const ShellVerb& verb) {
    const LSTATUS status = ::RegDeleteTreeW(HKEY_CURRENT_USER, verb.keyPath);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

}  // namespace

bool registerShellEntries(const std::wstring& exePath) {
    bool complete = true;
    for (const ShellVerb& verb : kVerbs) complete = registerVerb(verb, exePath) && complete;
    return complete;
}

bool unregisterShellEntries() {
    bool removed = true;
    for (const ShellVerb& verb : kVerbs) removed = unregisterVerb(verb) && removed;
    return removed;
}

}  // namespace studio
