// The delayed self-deletion of the uninstaller and its folder.
#include "uninstall/self_delete.h"

#include <algorithm>
#include <array>
#include <cwchar>

#include "common/core/paths.h"
#include "common/core/product.h"
#include "common/owners.h"

namespace {

constexpr wchar_t kUninstallerVariable[] = L"TESSARK_UNINSTALLER";
constexpr wchar_t kInstallDirVariable[] = L"TESSARK_INSTALL_DIR";
constexpr wchar_t kCommandLine[] =
    L"cmd.exe /d /v:off /c ping -n 3 127.0.0.1 >nul & "
    L"del /f /q \"%TESSARK_UNINSTALLER%\" & rd \"%TESSARK_INSTALL_DIR%\"";
constexpr DWORD kHiddenDetached = CREATE_NO_WINDOW | DETACHED_PROCESS;
static_assert(kHiddenDetached == 0x08000008);

bool sameName(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

bool nameBefore(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_LESS_THAN;
}

// The name of an environment entry: the text before its first '=', not
// counting one in the first place ("=C:=C:\Temp" names "=C:").
std::wstring nameOf(const std::wstring& entry) {
    return entry.substr(0, entry.find(L'=', 1));
}

bool isAmong(const std::vector<EnvironmentVariable>& variables, const std::wstring& name) {
    return std::any_of(variables.begin(), variables.end(),
                       [&](const EnvironmentVariable& v) { return sameName(v.name, name); });
}

// "D:" is the folder cmd.exe last used on drive D; "D:\" is the drive's root.
std::wstring withoutBareDrive(const std::wstring& folder) {
    const bool bareDrive = folder.size() == 2 && folder[1] == L':';
    return bareDrive ? folder + L'\\' : folder;
}

// Wine 8's cmd.exe reads the text that a %NAME% expanded to once more and
// expands each %NAME% it finds there (Windows' cmd.exe expands only once),
// so a folder named "a%PATH%b" would reach rd with PATH's value in it. It
// leaves %NAME% as it stands when NAME is undefined or expands to exactly
// "%NAME%". So every name that Wine would look up in a path - what follows a
// '%' up to the next '%' or ':' - is given its own reference as its value.
// The interpreter needs none of these variables: ping is found in its
// current folder, the system folder, and del and rd are its own commands.
// (A path with an odd number of '%' still keeps Wine's rd from its folder:
// the last '%' opens a name that runs on into the command's own text.)
void addNamesWineWouldExpand(const std::wstring& path, std::vector<EnvironmentVariable>& variables) {
    for (std::size_t percent = path.find(L'%'); percent != std::wstring::npos;
         percent = path.find(L'%', percent + 1)) {
        const std::size_t end = path.find_first_of(L"%:", percent + 1);
        if (end == std::wstring::npos) return;
        std::wstring name = path.substr(percent + 1, end - percent - 1);
        // A name cannot be empty or hold '='; Wine leaves such text alone.
        if (name.empty() || name.find(L'=') != std::wstring::npos || isAmong(variables, name)) continue;
        variables.push_back({name, L"%" + name + L"%"});
    }
}

std::wstring systemFolder() {
    std::array<wchar_t, MAX_PATH + 1> buffer{};
    const UINT length = GetSystemDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
    if (length == 0 || length >= buffer.size()) return {};
    return std::wstring(buffer.data(), length);
}

}  // namespace

SelfDeletion planSelfDeletion(const std::wstring& installDir) {
    const std::wstring folder = withoutBareDrive(installDir);
    const std::wstring uninstaller = joinPath(folder, product::kUninstallerExe);
    SelfDeletion plan{kCommandLine, {{kUninstallerVariable, uninstaller}, {kInstallDirVariable, folder}}};
    // The uninstaller's path is the folder's plus a tail without '%' or ':',
    // so it holds every name the folder's path holds.
    addNamesWineWouldExpand(uninstaller, plan.variables);
    return plan;
}

std::wstring environmentBlockWith(const wchar_t* parent, const std::vector<EnvironmentVariable>& variables) {
    std::vector<std::wstring> entries;
    for (const wchar_t* entry = parent; entry != nullptr && *entry != L'\0'; entry += std::wcslen(entry) + 1) {
        if (!isAmong(variables, nameOf(entry))) entries.emplace_back(entry);
    }
    for (const EnvironmentVariable& variable : variables) entries.push_back(variable.name + L'=' + variable.value);
    std::stable_sort(entries.begin(), entries.end(),
                     [](const std::wstring& a, const std::wstring& b) { return nameBefore(nameOf(a), nameOf(b)); });

    std::wstring block;
    for (const std::wstring& entry : entries) {
        block += entry;
        block += L'\0';
    }
    block += L'\0';
    return block;
}

void scheduleSelfDelete(const std::wstring& installDir, bool /*purgeSettings*/) {
    const SelfDeletion plan = planSelfDeletion(installDir);
    std::wstring commandLine = plan.commandLine;  // CreateProcessW may write into it
    const win::UniqueEnvironmentStrings ownEnvironment(GetEnvironmentStringsW());
    std::wstring environment = environmentBlockWith(ownEnvironment.get(), plan.variables);
    // Windows refuses to remove a folder that is some process's current
    // folder, and a child inherits its parent's: the uninstaller may have been
    // started from inside the install folder, so the interpreter starts in the
    // system folder instead. It is also named by its full path there, so that
    // no cmd.exe beside the uninstaller is ever started in its place.
    const std::wstring folder = systemFolder();
    const std::wstring interpreter = folder.empty() ? std::wstring() : joinPath(folder, L"cmd.exe");
    const std::wstring currentFolder = folder.empty() ? parentPath(installDir) : folder;

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(interpreter.empty() ? nullptr : interpreter.c_str(), commandLine.data(), nullptr, nullptr,
                        FALSE, kHiddenDetached | CREATE_UNICODE_ENVIRONMENT, environment.data(),
                        currentFolder.empty() ? nullptr : currentFolder.c_str(), &startup, &started)) {
        return;
    }
    // Nothing waits for the interpreter: it outlives this program by design.
    win::ProcessHandles process{win::UniqueHandle(started.hProcess), win::UniqueHandle(started.hThread)};
}
