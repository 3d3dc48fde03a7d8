// Deleting what a running uninstaller cannot delete: its own file and the
// install folder it runs from. A hidden command interpreter waits until the
// uninstaller has exited, deletes "uninstall.exe" and then removes the install
// folder, which goes only if nothing else is left in it.
#pragma once

#include <string>

// The interpreter's whole command line, for the install folder `installDir`:
//   cmd.exe /c ping -n 3 127.0.0.1 >nul & del /f /q "<dir>\uninstall.exe" & rd "<dir>"
// ping's three echo requests to the local host make a pause of about two
// seconds; rd without /s fails on a folder that still holds anything.
std::wstring selfDeleteCommandLine(const std::wstring& installDir);

// Starts that command line, hidden and detached, with the system folder as
// the interpreter's current folder, and returns at once without waiting or
// looking at the outcome. Call it as the very last act of a successful
// uninstall: the program must exit within the pause.
//
// `purgeSettings` does not widen the removal: the settings and cached data
// are deleted by name during the uninstall, and a recursive removal of the
// folder would also take files the installer never wrote (the folder may be
// shared or hold the user's own work).
void scheduleSelfDelete(const std::wstring& installDir, bool purgeSettings);
