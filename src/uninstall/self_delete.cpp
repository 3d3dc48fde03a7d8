// The delayed self-deletion of the uninstaller and its folder.
#include "uninstall/self_delete.h"

#include <array>

#include "common/core/paths.h"
#include "common/core/product.h"
#include "common/owners.h"

namespace {

constexpr wchar_t kProgram[] = L"cmd.exe ";
constexpr wchar_t kDelay[] = L"/c ping -n 3 127.0.0.1 >nul & ";
constexpr wchar_t kDeleteFile[] = L"del /f /q ";
constexpr wchar_t kThen[] = L" & ";
constexpr wchar_t kRemoveEmptyFolder[] = L"rd ";
constexpr DWORD kHiddenDetached = CREATE_NO_WINDOW | DETACHED_PROCESS;
static_assert(kHiddenDetached == 0x08000008);

std::wstring quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

std::wstring systemFolder() {
    std::array<wchar_t, MAX_PATH + 1> buffer{};
    const UINT length = GetSystemDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
    if (length == 0 || length >= buffer.size()) return {};
    return std::wstring(buffer.data(), length);
}

}  // namespace

std::wstring selfDeleteCommandLine(const std::wstring& installDir) {
    std::wstring line = kProgram;
    line += kDelay;
    line += kDeleteFile;
    line += quoted(joinPath(installDir, product::kUninstallerExe));
    line += kThen;
    line += kRemoveEmptyFolder;
    line += quoted(installDir);
    return line;
}

void scheduleSelfDelete(const std::wstring& installDir, bool /*purgeSettings*/) {
    std::wstring commandLine = selfDeleteCommandLine(installDir);  // CreateProcessW may write into it
    // Windows refuses to remove a folder that is some process's current
    // folder, and a child inherits its parent's: the uninstaller may have been
    // started from inside the install folder, so the interpreter starts in the
    // system folder instead. It is also named by its full path there, so that
    // no cmd.exe beside the uninstaller is ever started in its place.
    const std::wstring folder = systemFolder();
    const std::wstring interpreter = folder.empty() ? std::wstring() : joinPath(folder, L"cmd.exe");
    const std::wstring currentFolder = folder.empty() ? parentPath(installDir) : folder;

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(interpreter.empty() ? nullptr : interpreter.c_str(), commandLine.data(), nullptr, nullptr,
                        FALSE, kHiddenDetached, nullptr, currentFolder.empty() ? nullptr : currentFolder.c_str(),
                        &startup, &started)) {
        return;
    }
    // Nothing waits for the interpreter: it outlives this program by design.
    win::ProcessHandles process{win::UniqueHandle(started.hProcess), win::UniqueHandle(started.hThread)};
}
