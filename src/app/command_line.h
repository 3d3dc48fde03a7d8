// The command line: the options of an install and an uninstall, the run mode
// and the road (window or silent).
#pragma once

#include "common/core/options.h"

#include <string>
#include <vector>

struct CommandLine {
    bool silent = false;
    bool uninstallMode = false;
    bool relaunch = false;
    InstallOptions install;
    UninstallOptions uninstall;
};

// Applies each argument (the program path already removed) in order; the
// later of two options that write the same value wins. Matching ignores ASCII
// letter case; unknown arguments are ignored.
CommandLine parseArguments(const std::vector<std::wstring>& arguments);

#ifdef _WIN32
// Splits the text the Windows way (CommandLineToArgvW), drops the program
// path and parses the rest. A text that cannot be split gives the defaults.
CommandLine parseCommandLine(const wchar_t* commandLine);
#endif
