#include "invocation.h"

#include "common/owners.h"

#include <shellapi.h>

#include <string_view>

namespace studio {

Invocation parseInvocation(const wchar_t* commandLine) {
    Invocation invocation;
    int count = 0;
    win::UniqueLocal arguments(::CommandLineToArgvW(commandLine, &count));
    if (!arguments) return invocation;

    const auto* argv = static_cast<wchar_t**>(arguments.get());
    for (int i = 1; i < count; ++i) {  // argv[0] is the program itself
        const std::wstring_view argument = argv[i];
        if (argument == L"--register-shell") {
            invocation.mode = Mode::RegisterShell;
        } else if (argument == L"--unregister-shell") {
            invocation.mode = Mode::UnregisterShell;
        } else if (argument == L"--quiet") {
            invocation.quiet = true;
        } else if (!argument.starts_with(L"--")) {
            invocation.folder = argument;
        }
        // Unknown switches are ignored: a newer installer may pass more.
    }
    return invocation;
}

}  // namespace studio
