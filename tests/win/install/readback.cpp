#include "readback.h"

#include "common/owners.h"

#include <objbase.h>
#include <shobjidl.h>

std::optional<ShortcutFields> readShortcut(const std::wstring& path) {
    win::ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.putVoid()))) {
        return std::nullopt;
    }
    win::ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.putVoid()))) return std::nullopt;
    if (FAILED(file->Load(path.c_str(), STGM_READ))) return std::nullopt;
    wchar_t buffer[MAX_PATH] = {};
    ShortcutFields fields;
    link->GetPath(buffer, MAX_PATH, nullptr, SLGP_RAWPATH);
    fields.target = buffer;
    link->GetWorkingDirectory(buffer, MAX_PATH);
    fields.workingFolder = buffer;
    link->GetDescription(buffer, MAX_PATH);
    fields.description = buffer;
    link->GetIconLocation(buffer, MAX_PATH, &fields.iconIndex);
    fields.iconPath = buffer;
    return fields;
}

std::vector<std::uint8_t> stringData(const std::wstring& text) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.c_str());
    return {bytes, bytes + (text.size() + 1) * sizeof(wchar_t)};
}

std::vector<std::uint8_t> dwordData(DWORD number) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&number);
    return {bytes, bytes + sizeof(number)};
}
