// Behaviours that only tests ask for. Each is switched on by an environment
// variable or by a marker file beside the executable: the installer always
// starts the application with a fixed command line, so a switch on the
// command line could never reach it, while the environment is inherited and a
// marker file can be dropped into the install folder. README.md lists them.
#pragma once

#include <string>

namespace studio {

inline constexpr unsigned kSlowRegisterMs = 30000;  // well past the installer's 20 s wait
inline constexpr unsigned kLingerMs = 5000;         // well within the installer's 10 s wait

struct TestSwitches {
    bool ignoreClose = false;   // WM_CLOSE leaves the window open
    bool slowRegister = false;  // --register-shell lingers kSlowRegisterMs before exiting
    bool linger = false;        // the process outlives its window by kLingerMs, as a WebView2 host does
    std::wstring launchLog;     // each start appends a line here; empty when off
};

TestSwitches readTestSwitches(const std::wstring& exeFolder);

// Appends "<current folder>\t<command line>\r\n" (UTF-8) to the launch log,
// so that a test can see how and from where the application was started.
void recordLaunch(const TestSwitches& switches, const wchar_t* commandLine);

}  // namespace studio
