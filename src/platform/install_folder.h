// Where an install goes: the folder proposed at start-up, the folder picker
// behind "Change…", and the checks run before an install starts. None of them
// creates or changes anything on disk.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <functional>
#include <string>

// A known-folder look-up: the folder's path, or empty when the shell has none.
using KnownFolderLookup = std::function<std::wstring(const KNOWNFOLDERID&)>;

// The folder of an earlier install as its uninstall entry records it, else
// "Tessark Studio" in the user's per-user Programs folder (or in "Programs"
// under LocalAppData when the shell does not know that folder). Never fails; the result
// is relative only when the shell offers neither folder.
std::wstring defaultInstallDir();
// The same with the known folders taken from `knownFolder`, so that tests can
// stand in for the shell.
std::wstring defaultInstallDir(const KnownFolderLookup& knownFolder);

// The install folder for a folder the user picked: the folder itself when it
// is already named "Tessark Studio" (in any case), else that name below it.
std::wstring installDirForPickedFolder(const std::wstring& picked);

// Shows the folder picker owned by `owner` and, when a file-system folder is
// chosen, stores installDirForPickedFolder of it in `installDir`. Cancelling
// or any failure leaves `installDir` unchanged. The caller repaints.
void pickInstallFolder(HWND owner, std::wstring& installDir);

// The checks before an install, in order: a path on a drive, not a drive
// root, a foreign non-empty folder only after the user agrees (a folder that
// holds only what an uninstall of ours leaves is not foreign), and a running
// application closed with the user's consent (a process left without its
// window is waited for without a question). Every false has been explained
// in a message box owned by `owner` or follows the user's own No.
bool validateInstallFolder(HWND owner, const std::wstring& installDir);

// The same checks for a silent install, where nobody can be asked: the
// sentence that refuses the folder, or empty when it may be installed into.
// A foreign non-empty folder is refused. The running application is left to
// the caller.
std::wstring silentInstallFolderRefusal(const std::wstring& installDir);
