#include "install/self_deletion_wait.h"

#include "common/core/paths.h"
#include "common/core/product.h"
#include "common/file_io.h"

#include <windows.h>

namespace {

constexpr ULONGLONG kMaxWaitMs = 5000;
constexpr DWORD kPollIntervalMs = 50;

bool selfDeletionPending(const std::wstring& installDir) {
    return isExistingFile(joinPath(installDir, product::kUninstallerExe)) &&
           !isExistingFile(joinPath(installDir, product::kManifestFile));
}

// uninstall.exe is gone, and the folder either too or kept by what else is
// in it (the interpreter's "rd" without /s leaves a folder that is not empty).
bool selfDeletionDone(const std::wstring& installDir) {
    if (isExistingFile(joinPath(installDir, product::kUninstallerExe))) return false;
    return !isExistingDirectory(installDir) || !isDirectoryEmpty(installDir);
}

}  // namespace

void waitForPendingSelfDeletion(const std::wstring& installDir) {
    if (!selfDeletionPending(installDir)) return;
    const ULONGLONG deadline = GetTickCount64() + kMaxWaitMs;
    while (!selfDeletionDone(installDir) && GetTickCount64() < deadline) Sleep(kPollIntervalMs);
}
