#include "common/known_folders.h"

#include "common/owners.h"

std::wstring knownFolderPath(REFKNOWNFOLDERID id) {
    // The buffer is the caller's to free even when the call fails.
    win::UniqueCoTaskString path;
    if (FAILED(SHGetKnownFolderPath(id, 0, nullptr, path.put())) || !path) return {};
    return path.get();
}
