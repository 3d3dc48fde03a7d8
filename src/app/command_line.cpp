#include "app/command_line.h"

#include "common/core/switches.h"

#include <string_view>

#ifdef _WIN32
#include "common/owners.h"

#include <shellapi.h>
#endif

namespace {

wchar_t foldAscii(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + (L'a' - L'A')) : c; }

bool startsWithIgnoringCase(std::wstring_view text, std::wstring_view prefix) {
    if (prefix.size() > text.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (foldAscii(text[i]) != foldAscii(prefix[i])) return false;
    }
    return true;
}

bool equalsIgnoringCase(std::wstring_view text, std::wstring_view option) {
    return text.size() == option.size() && startsWithIgnoringCase(text, option);
}

constexpr std::wstring_view kDirPrefix = switches::kDirPrefix;

// The table is tried in order and the first row that matches takes the argument.
void applyArgument(const std::wstring& argument, CommandLine& line) {
    if (equalsIgnoringCase(argument, switches::kSilent) || equalsIgnoringCase(argument, switches::kSilentLong)) {
        line.silent = true;
    } else if (equalsIgnoringCase(argument, switches::kUninstall)) {
        line.uninstallMode = true;
    } else if (startsWithIgnoringCase(argument, kDirPrefix)) {
        line.install.installDir = argument.substr(kDirPrefix.size());
    } else if (equalsIgnoringCase(argument, switches::kNoDesktop)) {
        line.install.desktopShortcut = false;
    } else if (equalsIgnoringCase(argument, switches::kNoStartMenu)) {
        line.install.startMenuShortcut = false;
    } else if (equalsIgnoringCase(argument, switches::kNoShell)) {
        line.install.explorerEntries = false;
    } else if (equalsIgnoringCase(argument, switches::kRelaunch)) {
        line.relaunch = true;
    } else if (equalsIgnoringCase(argument, switches::kKeepSettings)) {
        line.uninstall.purgeSettings = false;
    } else if (equalsIgnoringCase(argument, switches::kPurge)) {
        line.uninstall.purgeSettings = true;
    }
}

}  // namespace

CommandLine parseArguments(const std::vector<std::wstring>& arguments) {
    CommandLine line;
    for (const auto& argument : arguments) applyArgument(argument, line);
    return line;
}

#ifdef _WIN32
CommandLine parseCommandLine(const wchar_t* commandLine) {
    int count = 0;
    wchar_t** split = CommandLineToArgvW(commandLine, &count);
    win::UniqueLocal owner(reinterpret_cast<HLOCAL>(split));
    if (!split || count < 2) return {};
    return parseArguments(std::vector<std::wstring>(split + 1, split + count));
}
#endif
