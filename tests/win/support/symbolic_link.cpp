#include "support/symbolic_link.h"

#include "common/owners.h"
#include "support/test_support.h"

#include <windows.h>

namespace ts {
namespace {

// Wine's own export: the Unix path of a Windows path, UTF-8, allocated on
// the process heap.
using UnixFileName = char*(__cdecl*)(const wchar_t*);

std::string unixPath(const std::wstring& path) {
    const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    const auto convert = win::procAddress<UnixFileName>(kernel32, "wine_get_unix_file_name");
    if (!convert) return {};
    char* converted = convert(path.c_str());
    if (!converted) return {};
    std::string result = converted;
    HeapFree(GetProcessHeap(), 0, converted);
    return result;
}

// Starts a Unix program, given by its Windows path. Wine gives no handle to
// wait on for one, nor an exit code: the callers wait for its effect.
bool startUnixProgram(const wchar_t* program, const std::string& commandLine) {
    std::wstring writable = widen(commandLine);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(program, writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        return false;
    }
    win::ProcessHandles process{win::UniqueHandle(info.hProcess), win::UniqueHandle(info.hThread)};
    return true;
}

bool linkExists(const std::wstring& link) { return GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES; }

constexpr DWORD kUnixProgramLimitMs = 10000;

}  // namespace

bool makeSymbolicLink(const std::wstring& link, const std::wstring& target) {
    const std::string from = unixPath(link);
    const std::string to = unixPath(target);
    if (from.empty() || to.empty() || linkExists(link)) return false;
    // -T: never a link inside `link` should a folder appear there meanwhile.
    if (!startUnixProgram(L"Z:\\bin\\ln", "/bin/ln -s -T -- \"" + to + "\" \"" + from + "\"")) return false;
    return waitUntil([&] { return linkExists(link); }, kUnixProgramLimitMs);
}

bool removeSymbolicLink(const std::wstring& link) {
    const std::string path = unixPath(link);
    if (path.empty() || !startUnixProgram(L"Z:\\bin\\rm", "/bin/rm -f -- \"" + path + "\"")) return false;
    return waitUntil([&] { return !linkExists(link); }, kUnixProgramLimitMs);
}

}  // namespace ts
