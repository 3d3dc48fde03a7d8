#include "test_switches.h"

#include "app_files.h"

#include <windows.h>

namespace studio {
namespace {

struct Switch {
    const wchar_t* variable;
    const wchar_t* marker;
};

constexpr Switch kIgnoreClose = {L"TS_SAMPLE_IGNORE_CLOSE", L"ignore-close.flag"};
constexpr Switch kSlowRegister = {L"TS_SAMPLE_SLOW_REGISTER", L"slow-register.flag"};
constexpr Switch kLinger = {L"TS_SAMPLE_LINGER", L"linger.flag"};
// The variable names the log file; the marker logs to kLaunchLogFile beside the executable.
constexpr Switch kLaunchLog = {L"TS_SAMPLE_LAUNCH_LOG", L"launch-log.flag"};
constexpr wchar_t kLaunchLogFile[] = L"launch-log.txt";

std::wstring environmentValue(const wchar_t* name) {
    const DWORD size = ::GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) return {};
    std::wstring value(size, L'\0');
    const DWORD length = ::GetEnvironmentVariableW(name, value.data(), size);
    value.resize(length < size ? length : 0);
    return value;
}

bool isOn(const Switch& what, const std::wstring& exeFolder) {
    const std::wstring value = environmentValue(what.variable);
    if (!value.empty() && value != L"0") return true;
    return fileExists(joinPath(exeFolder, what.marker));
}

std::wstring launchLogPath(const std::wstring& exeFolder) {
    std::wstring path = environmentValue(kLaunchLog.variable);
    if (path.empty() && fileExists(joinPath(exeFolder, kLaunchLog.marker)))
        path = joinPath(exeFolder, kLaunchLogFile);
    return path;
}

std::wstring currentFolder() {
    const DWORD size = ::GetCurrentDirectoryW(0, nullptr);
    std::wstring folder(size, L'\0');
    const DWORD length = ::GetCurrentDirectoryW(size, folder.data());
    folder.resize(length < size ? length : 0);
    return folder;
}

}  // namespace

TestSwitches readTestSwitches(const std::wstring& exeFolder) {
    return {
        .ignoreClose = isOn(kIgnoreClose, exeFolder),
        .slowRegister = isOn(kSlowRegister, exeFolder),
        .linger = isOn(kLinger, exeFolder),
        .launchLog = launchLogPath(exeFolder),
    };
}

void recordLaunch(const TestSwitches& switches, const wchar_t* commandLine) {
    if (switches.launchLog.empty()) return;
    const std::string line = toUtf8(currentFolder()) + '\t' + toUtf8(commandLine) + "\r\n";
    writeTextFile(switches.launchLog, line, WriteMode::Append);
}

}  // namespace studio
