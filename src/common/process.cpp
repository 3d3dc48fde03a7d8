#include "common/process.h"

#include "common/core/paths.h"
#include "common/owners.h"

#include <vector>

namespace {

constexpr DWORD kModulePathCapacity = 1040;

// CreateProcessW may write into the command line, so it gets its own buffer.
std::vector<wchar_t> quotedCommandLine(const std::wstring& exe, const std::wstring& args) {
    const std::wstring text = L"\"" + exe + L"\" " + args;
    return std::vector<wchar_t>(text.c_str(), text.c_str() + text.size() + 1);
}

}  // namespace

bool runAndWait(const std::wstring& exe, const std::wstring& args, DWORD timeoutMs) {
    std::vector<wchar_t> commandLine = quotedCommandLine(exe, args);
    const std::wstring folder = parentPath(exe);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
        return false;
    }
    const win::ProcessHandles handles{win::UniqueHandle(info.hProcess), win::UniqueHandle(info.hThread)};
    return WaitForSingleObject(handles.process.get(), timeoutMs) == WAIT_OBJECT_0;
}

std::wstring runningExecutablePath() {
    wchar_t path[kModulePathCapacity] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, kModulePathCapacity);
    // A path that filled the buffer was cut short.
    if (length == 0 || length >= kModulePathCapacity) return {};
    return std::wstring(path, length);
}
