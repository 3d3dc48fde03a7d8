// What TessarkStudio.exe was asked to do by its command line. The installer
// passes exactly "--register-shell --quiet" or "--unregister-shell --quiet";
// Explorer's entries pass one folder path; a shortcut passes nothing.
#pragma once

#include <string>

namespace studio {

enum class Mode { Open, RegisterShell, UnregisterShell };

struct Invocation {
    Mode mode = Mode::Open;
    bool quiet = false;      // no message box after the Explorer-entries step
    std::wstring folder;     // the folder to open, when Explorer gave one
};

Invocation parseInvocation(const wchar_t* commandLine);

}  // namespace studio
