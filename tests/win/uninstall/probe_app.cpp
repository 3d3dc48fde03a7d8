// Stands in for TessarkStudio.exe where a test needs to see the Explorer-entries
// step happen: writes "probe-log.txt" into its current folder, holding its
// arguments on the first line and then the name of every entry it saw in that
// folder, one per line. The log is written once the listing is complete.
#include <windows.h>

#include <string>

#include "common/owners.h"

namespace {

std::string utf8(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string bytes(size > 0 ? size : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size,
                        nullptr, nullptr);
    return bytes;
}

std::string folderListing() {
    std::string listing;
    WIN32_FIND_DATAW entry{};
    win::UniqueFind search(FindFirstFileW(L"*", &entry));
    if (!search) return listing;
    do {
        const std::wstring name = entry.cFileName;
        if (name != L"." && name != L"..") listing += utf8(name) + "\n";
    } while (FindNextFileW(search.get(), &entry));
    return listing;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR arguments, int) {
    const std::string log = utf8(arguments) + "\n" + folderListing();
    win::UniqueFile file(CreateFileW(L"probe-log.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return 1;
    DWORD written = 0;
    return WriteFile(file.get(), log.data(), static_cast<DWORD>(log.size()), &written, nullptr) ? 0 : 1;
}
