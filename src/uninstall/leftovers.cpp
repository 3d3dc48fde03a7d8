// Removal of the folders that the uninstall's file deletion left empty.
#include "uninstall/leftovers.h"

#include "install/core/paths.h"
#include "install/file_io.h"
#include "platform/owners.h"

namespace {

bool isDotEntry(const wchar_t* name) {
    return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

}  // namespace

bool isDirectoryEmpty(const std::wstring& folder) {
    WIN32_FIND_DATAW entry{};
    win::UniqueFind search(FindFirstFileW(joinPath(folder, L"*").c_str(), &entry));
    if (!search) return true;
    do {
        if (!isDotEntry(entry.cFileName)) return false;
    } while (FindNextFileW(search.get(), &entry));
    return true;
}

void removeEmptyDirectories(const std::wstring& folder, const UninstallOptions& options) {
    std::wstring current = folder;
    while (current.size() > options.installDir.size()) {
        if (!isExistingDirectory(current)) return;
        if (!isDirectoryEmpty(current)) return;
        if (!RemoveDirectoryW(current.c_str())) return;
        current = parentPath(current);
    }
}
