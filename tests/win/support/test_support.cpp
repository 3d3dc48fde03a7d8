#include "test_support.h"

#include "common/owners.h"

#include <tlhelp32.h>

#include <cstdlib>

namespace ts {

std::wstring windowsPathOf(const std::string& linuxPath) {
    std::wstring path = L"Z:" + widen(linuxPath);
    for (auto& c : path) {
        if (c == L'/') c = L'\\';
    }
    return path;
}

namespace {

std::wstring pathFromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value ? windowsPathOf(value) : std::wstring();
}

// Every process running now.
std::vector<PROCESSENTRY32W> processSnapshot() {
    std::vector<PROCESSENTRY32W> processes;
    // A snapshot handle is INVALID_HANDLE_VALUE on failure, as a file's is.
    win::UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return processes;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        processes.push_back(entry);
    }
    return processes;
}

bool hasRunningChild(DWORD parentId) {
    for (const PROCESSENTRY32W& process : processSnapshot()) {
        if (process.th32ParentProcessID == parentId) return true;
    }
    return false;
}

}  // namespace

std::wstring binDir() { return pathFromEnvironment("TS_BIN_DIR"); }
std::wstring binPath(const std::wstring& name) { return binDir() + L"\\" + name; }

std::wstring quoted(const std::wstring& text) {
    std::wstring escaped = text;
    for (auto it = text.rbegin(); it != text.rend() && *it == L'\\'; ++it) escaped += L'\\';
    return L"\"" + escaped + L"\"";
}

std::wstring sourcePath(const std::wstring& relative) {
    std::wstring path = pathFromEnvironment("TS_SOURCE_DIR") + L"\\" + relative;
    for (auto& c : path) {
        if (c == L'/') c = L'\\';
    }
    return path;
}

// The output goes to a temporary file rather than a pipe: a pipe would stay
// open as long as any process holds its write end, and Wine starts its desktop
// process (explorer.exe) from the first program that opens a window in a fresh
// prefix, which then inherits the handle and outlives the child.
ProcessResult run(const std::wstring& commandLine, DWORD timeoutMs, const std::wstring& currentDir) {
    ProcessResult result;
    wchar_t folder[MAX_PATH + 1];
    wchar_t outputPath[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, folder);
    if (!GetTempFileNameW(folder, L"out", 0, outputPath)) return result;
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    win::UniqueFile output(CreateFileW(outputPath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr));
    if (!output) return result;

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = output.get();
    startup.hStdError = output.get();
    PROCESS_INFORMATION info{};
    std::wstring mutableLine = commandLine;
    result.started = CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                    currentDir.empty() ? nullptr : currentDir.c_str(), &startup, &info);
    output.reset();
    if (result.started) {
        win::ProcessHandles process{win::UniqueHandle(info.hProcess), win::UniqueHandle(info.hThread)};
        if (WaitForSingleObject(process.process.get(), timeoutMs) != WAIT_OBJECT_0) {
            result.timedOut = true;
            TerminateProcess(process.process.get(), 255);
            WaitForSingleObject(process.process.get(), 5000);
        }
        result.leftAProcessRunning = hasRunningChild(info.dwProcessId);
        GetExitCodeProcess(process.process.get(), &result.exitCode);
    }
    result.output = readFile(outputPath).value_or(std::string());
    DeleteFileW(outputPath);
    return result;
}

Child::Child(const std::wstring& commandLine, const std::wstring& currentDir) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::wstring mutableLine = commandLine;
    if (CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       currentDir.empty() ? nullptr : currentDir.c_str(), &startup, &info)) {
        CloseHandle(info.hThread);
        process_.reset(info.hProcess);
    }
}

Child::~Child() {
    if (process_ && WaitForSingleObject(process_.get(), 0) != WAIT_OBJECT_0) {
        TerminateProcess(process_.get(), 255);
        WaitForSingleObject(process_.get(), 5000);
    }
}

std::optional<DWORD> Child::wait(DWORD timeoutMs) {
    if (!process_ || WaitForSingleObject(process_.get(), timeoutMs) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(process_.get(), &code);
    return code;
}

TempDir::TempDir() {
    wchar_t base[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, base);
    static int counter = 0;
    for (;;) {
        path_ = std::wstring(base) + L"ts-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(++counter);
        if (CreateDirectoryW(path_.c_str(), nullptr)) break;
    }
}

TempDir::~TempDir() { removeTree(path_); }

std::wstring TempDir::operator/(const std::wstring& relative) const {
    std::wstring path = path_ + L"\\" + relative;
    for (auto& c : path) {
        if (c == L'/') c = L'\\';
    }
    return path;
}

bool fileExists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool directoryExists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::string> readFile(const std::wstring& path) {
    win::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::nullopt;
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    return bytes;
}

bool writeFile(const std::wstring& path, const std::string& bytes) {
    for (auto separator = path.find(L'\\', 3); separator != std::wstring::npos;
         separator = path.find(L'\\', separator + 1)) {
        CreateDirectoryW(path.substr(0, separator).c_str(), nullptr);
    }
    win::UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

void removeTree(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    win::UniqueFind search(FindFirstFileW((path + L"\\*").c_str(), &found));
    if (search) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = path + L"\\" + name;
            SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeTree(child);
            } else {
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(search.get(), &found));
    }
    search.reset();
    RemoveDirectoryW(path.c_str());
}

std::string narrow(const std::wstring& text) {
    if (text.empty()) return {};
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string utf8(length, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), length, nullptr,
                        nullptr);
    return utf8;
}

std::wstring widen(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring text(length, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), length);
    return text;
}

std::vector<DWORD> runningProcesses(const wchar_t* exeName) {
    std::vector<DWORD> ids;
    for (const PROCESSENTRY32W& process : processSnapshot()) {
        if (lstrcmpiW(process.szExeFile, exeName) == 0) ids.push_back(process.th32ProcessID);
    }
    return ids;
}

bool waitForProcessesToEnd(const wchar_t* exeName, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (DWORD id : runningProcesses(exeName)) {
        win::UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, id));
        if (!process) continue;  // ended since the snapshot
        const ULONGLONG now = GetTickCount64();
        const DWORD left = now < end ? static_cast<DWORD>(end - now) : 0;
        if (WaitForSingleObject(process.get(), left) != WAIT_OBJECT_0) return false;
    }
    return true;
}

HWND waitForWindow(const wchar_t* windowClass, const wchar_t* title, DWORD timeoutMs) {
    HWND window = nullptr;
    waitUntil([&] { return (window = FindWindowW(windowClass, title)) != nullptr; }, timeoutMs);
    return window;
}

std::wstring RegistryValue::text() const {
    std::wstring value(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t));
    while (!value.empty() && value.back() == L'\0') value.pop_back();
    return value;
}

DWORD RegistryValue::dword() const {
    DWORD value = 0;
    if (data.size() == sizeof value) memcpy(&value, data.data(), sizeof value);
    return value;
}

std::optional<RegistryValue> readRegistryValue(HKEY root, const std::wstring& key, const wchar_t* name) {
    win::UniqueKey opened;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, opened.put()) != ERROR_SUCCESS) return std::nullopt;
    RegistryValue value;
    DWORD size = 0;
    if (RegQueryValueExW(opened.get(), name, nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.data.resize(size);
    if (RegQueryValueExW(opened.get(), name, nullptr, &value.type, value.data.data(), &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.data.resize(size);
    return value;
}

bool registryKeyExists(HKEY root, const std::wstring& key) {
    win::UniqueKey opened;
    return RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, opened.put()) == ERROR_SUCCESS;
}

bool writeRegistryString(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& value,
                         DWORD type) {
    win::UniqueKey opened;
    if (RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, opened.put(), nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    return RegSetValueExW(opened.get(), name, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

}  // namespace ts
