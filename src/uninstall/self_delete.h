// Deleting what a running uninstaller cannot delete: its own file and the
// install folder it runs from. A hidden command interpreter waits until the
// uninstaller has exited, deletes "uninstall.exe" and then removes the install
// folder, which goes only if nothing else is left in it.
//
// The interpreter reads its command line as commands: '%', '!', '&', '^' and
// quotes in it all mean something. So the paths are never part of that text.
// They reach the interpreter as variables of its environment, which it
// expands inside quotation marks and, on Windows, does not read again.
#pragma once

#include <string>
#include <vector>

struct EnvironmentVariable {
    std::wstring name;
    std::wstring value;
};

struct SelfDeletion {
    // The same for every install folder:
    //   cmd.exe /d /v:off /c ping -n 3 127.0.0.1 >nul &
    //     del /f /q "%TESSARK_UNINSTALLER%" & rd "%TESSARK_INSTALL_DIR%"
    // /d skips the AutoRun commands of the registry, /v:off turns off the
    // delayed expansion of !NAME! that the registry may turn on. ping's three
    // echo requests to the local host make a pause of about two seconds; rd
    // without /s fails on a folder that still holds anything, and on a drive
    // root.
    std::wstring commandLine;
    // TESSARK_UNINSTALLER and TESSARK_INSTALL_DIR, then each name that Wine's
    // interpreter might look up inside their values, set to "%NAME%" (see
    // self_delete.cpp).
    std::vector<EnvironmentVariable> variables;
};

// The command line and the variables for the install folder `installDir`. A
// bare drive ("D:", what the uninstaller's own folder is when it runs from a
// drive root) is taken as that drive's root, "D:\": the interpreter would
// read "D:" as the folder it last used on that drive.
SelfDeletion planSelfDeletion(const std::wstring& installDir);

// The environment block `parent` (entries "NAME=value", each ending in a
// null character, the block in one more; as GetEnvironmentStringsW gives it)
// with `variables` set in it, replacing entries of the same names (compared
// without regard to case), sorted by name as Windows keeps a block.
std::wstring environmentBlockWith(const wchar_t* parent, const std::vector<EnvironmentVariable>& variables);

// Starts that command line, hidden and detached, in this program's
// environment plus the variables, with the system folder as the
// interpreter's current folder, and returns at once without waiting or
// looking at the outcome. Call it as the very last act of a successful
// uninstall: the program must exit within the pause.
//
// `purgeSettings` does not widen the removal: the settings and cached data
// are deleted by name during the uninstall, and a recursive removal of the
// folder would also take files the installer never wrote (the folder may be
// shared or hold the user's own work).
void scheduleSelfDelete(const std::wstring& installDir, bool purgeSettings);
