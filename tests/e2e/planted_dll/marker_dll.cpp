// A stand-in for a system DLL, planted beside an executable by the planted-DLL
// test and built once under each planted name (cabinet.dll, gdiplus.dll,
// dwmapi.dll, oleacc.dll). It exports nothing and does nothing but tell on
// whoever loads it: on process attach it leaves the file
// "<dll>-loaded-by-<exe>.txt" in the folder named by TS_PLANTED_DLL_MARKERS
// (else in its own folder).
#include "common/owners.h"

#include <string>

namespace {

std::wstring modulePath(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    const DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    path.resize(length < path.size() ? length : 0);
    return path;
}

std::wstring folderOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring nameOf(const std::wstring& path) { return path.substr(path.find_last_of(L"\\/") + 1); }

std::wstring markerFolder(HMODULE self) {
    std::wstring folder(MAX_PATH, L'\0');
    const DWORD length = GetEnvironmentVariableW(L"TS_PLANTED_DLL_MARKERS", folder.data(), MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        folder.resize(length);
        return folder;
    }
    return folderOf(modulePath(self));
}

void leaveMarker(HMODULE self) {
    const std::wstring marker = markerFolder(self) + L"\\" + nameOf(modulePath(self)) + L"-loaded-by-" +
                                nameOf(modulePath(nullptr)) + L".txt";
    win::UniqueFile file(CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                     nullptr));
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) leaveMarker(instance);
    return TRUE;
}
