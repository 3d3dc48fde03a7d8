// Helpers for the Windows tests that run under Wine: where the built
// executables are, running a process and capturing its output, temporary
// folders, files and registry values.
#pragma once

#include "common/owners.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ts {

// The build's bin folder (TS_BIN_DIR) as a Windows path, and a file in it.
std::wstring binDir();
std::wstring binPath(const std::wstring& name);
// The source tree (TS_SOURCE_DIR) as a Windows path.
std::wstring sourcePath(const std::wstring& relative);
// A Linux path as Wine sees it (drive Z: maps the Linux root).
std::wstring windowsPathOf(const std::string& linuxPath);

// One command-line argument in quotes, read back by CommandLineToArgvW as
// given: a backslash right before the closing quote would escape it, so
// trailing backslashes are doubled.
std::wstring quoted(const std::wstring& text);

struct ProcessResult {
    bool started = false;
    bool timedOut = false;
    DWORD exitCode = 0;
    std::string output;  // standard output and standard error together
    // A process it started still ran when it exited, such as the
    // uninstaller's self-deletion. (So would the desktop process Wine starts
    // for the first program in a prefix that needs one.)
    bool leftAProcessRunning = false;
};

// Starts the command line (CreateProcessW), waits up to timeoutMs for that
// process alone, and returns the exit code and everything the process wrote
// to its inherited standard output and error. A process still running at the
// time-out is terminated.
ProcessResult run(const std::wstring& commandLine, DWORD timeoutMs = 120000,
                  const std::wstring& currentDir = L"");

// A program started without waiting for it; terminated at scope end if it
// is still running.
class Child {
public:
    explicit Child(const std::wstring& commandLine, const std::wstring& currentDir = L"");
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    bool started() const { return static_cast<bool>(process_); }
    // The exit code, or nullopt when the program is still running after timeoutMs.
    std::optional<DWORD> wait(DWORD timeoutMs);

private:
    win::UniqueHandle process_;
};

// A fresh folder under %TEMP%, deleted with everything in it at scope end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::wstring& path() const { return path_; }
    std::wstring operator/(const std::wstring& relative) const;

private:
    std::wstring path_;
};

bool fileExists(const std::wstring& path);
bool directoryExists(const std::wstring& path);
std::optional<std::string> readFile(const std::wstring& path);
bool writeFile(const std::wstring& path, const std::string& bytes);  // creates parent folders
void removeTree(const std::wstring& path);
std::string narrow(const std::wstring& text);  // UTF-8, for messages
std::wstring widen(const std::string& utf8);

// The ids of the processes running now from an executable of that file name
// (L"cmd.exe"; any letter case). Every test runs in a Wine prefix of its own,
// so these are the test's processes and the ones they started.
std::vector<DWORD> runningProcesses(const wchar_t* exeName);
// Waits until every process running now from that executable has ended;
// false after timeoutMs. What such a process would do has then been done, or
// will not be: the way to show that something did not happen.
bool waitForProcessesToEnd(const wchar_t* exeName, DWORD timeoutMs);

// Waits until a top-level window of the class (and title, when given)
// exists; returns it, or null after timeoutMs.
HWND waitForWindow(const wchar_t* windowClass, const wchar_t* title, DWORD timeoutMs);
// Waits until the predicate holds, polling every 50 ms; false after timeoutMs.
template <typename Predicate>
bool waitUntil(Predicate predicate, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!predicate()) {
        if (GetTickCount64() > end) return false;
        Sleep(50);
    }
    return true;
}

struct RegistryValue {
    DWORD type = REG_NONE;
    std::vector<std::uint8_t> data;
    std::wstring text() const;  // REG_SZ / REG_EXPAND_SZ without the terminating NUL
    DWORD dword() const;
};
std::optional<RegistryValue> readRegistryValue(HKEY root, const std::wstring& key, const wchar_t* name);
bool registryKeyExists(HKEY root, const std::wstring& key);
bool writeRegistryString(HKEY root, const std::wstring& key, const wchar_t* name,
                         const std::wstring& value, DWORD type = REG_SZ);

// Sets an environment variable, which every process started after it
// inherits, and clears it at scope end.
class ScopedVariable {
public:
    ScopedVariable(const wchar_t* name, const std::wstring& value) : name_(name) {
        SetEnvironmentVariableW(name_, value.c_str());
    }
    ~ScopedVariable() { SetEnvironmentVariableW(name_, nullptr); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const wchar_t* name_;
};

}  // namespace ts
