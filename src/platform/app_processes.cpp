// Finding the application's processes by the file they run. Comparing path
// text would miss a process started through another spelling of the same
// file (short names, case, a hard link) and would match a copy elsewhere; the
// volume serial number and file index name the file itself.
#include "platform/app_processes.h"

#include "common/core/paths.h"
#include "common/core/product.h"
#include "common/owners.h"

#include <tlhelp32.h>

#include <optional>
#include <vector>

namespace {

// The longest path QueryFullProcessImageNameW can report.
constexpr DWORD kMaxImagePath = 32768;

struct FileIdentity {
    DWORD volumeSerial = 0;
    DWORD indexHigh = 0;
    DWORD indexLow = 0;
    bool operator==(const FileIdentity&) const = default;
};

// Opened for its attributes only and with every share mode, so that a
// running executable, which Windows keeps mapped, can still be asked.
std::optional<FileIdentity> fileIdentity(const std::wstring& path) {
    if (path.empty()) return std::nullopt;
    win::UniqueFile file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file || !GetFileInformationByHandle(file.get(), &info)) return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

std::wstring imagePath(HANDLE process) {
    std::wstring path(kMaxImagePath, L'\0');
    DWORD length = kMaxImagePath;
    if (!QueryFullProcessImageNameW(process, 0, path.data(), &length)) return {};
    path.resize(length);
    return path;
}

// Every other process whose executable is `app`, opened for waiting.
// Processes this user may not open are not ours to wait for.
std::vector<win::UniqueHandle> processesRunning(const FileIdentity& app) {
    std::vector<win::UniqueHandle> found;
    win::UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));  // INVALID_HANDLE_VALUE on failure
    if (!snapshot) return found;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ProcessID == GetCurrentProcessId()) continue;
        win::UniqueHandle process(
            OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, entry.th32ProcessID));
        if (process && fileIdentity(imagePath(process.get())) == app) found.push_back(std::move(process));
    }
    return found;
}

DWORD millisecondsUntil(ULONGLONG deadline) {
    const ULONGLONG now = GetTickCount64();
    return now < deadline ? static_cast<DWORD>(deadline - now) : 0;
}

}  // namespace

bool waitForAppProcesses(const std::wstring& installDir, ULONGLONG deadline) {
    const std::optional<FileIdentity> app = fileIdentity(joinPath(installDir, product::kAppExe));
    // Windows will not delete an executable while it runs: no file, no process.
    if (!app) return true;
    for (const win::UniqueHandle& process : processesRunning(*app)) {
        if (WaitForSingleObject(process.get(), millisecondsUntil(deadline)) != WAIT_OBJECT_0) return false;
    }
    return true;
}
