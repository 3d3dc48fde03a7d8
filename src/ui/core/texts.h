// Every text the setup window shows, spelled once. Status texts end in the
// single character U+2026, never in three dots.
#pragma once

namespace ui_texts {

// Element labels.
inline constexpr wchar_t kInstall[] = L"Install";
inline constexpr wchar_t kUpdate[] = L"Update";
inline constexpr wchar_t kRemove[] = L"Remove";
inline constexpr wchar_t kCancel[] = L"Cancel";
inline constexpr wchar_t kChangeFolder[] = L"Change\u2026";
inline constexpr wchar_t kOpenApp[] = L"Open Tessark Studio";
inline constexpr wchar_t kClose[] = L"Close";
inline constexpr wchar_t kWebView2Link[] = L"Get the WebView2 runtime";
inline constexpr wchar_t kDesktopShortcut[] = L"Create a desktop shortcut";
inline constexpr wchar_t kStartMenu[] = L"Add it to the Start menu";
inline constexpr wchar_t kExplorerEntries[] = L"Offer \u201COpen with Tessark Studio\u201D in Explorer";
inline constexpr wchar_t kLaunchAfter[] = L"Launch when the install finishes";
inline constexpr wchar_t kPurgeSettings[] = L"Also delete settings and cached data";

// Header.
inline constexpr wchar_t kUninstallSubtitle[] = L"Uninstall";
inline constexpr wchar_t kVersionPrefix[] = L"Version ";
inline constexpr wchar_t kSubtitleSeparator[] = L"  \u00B7  ";
inline constexpr wchar_t kOnDisk[] = L" on disk";

// Welcome, install.
inline constexpr wchar_t kInstallLocation[] = L"Install location";
inline constexpr wchar_t kUpdateLocation[] = L"Update the copy installed here";
inline constexpr wchar_t kPerUserNote[] =
    L"Installs for you alone - no administrator rights, nothing written outside your own profile.";
inline constexpr wchar_t kWebView2Warning[] =
    L"WebView2 is not installed. Tessark Studio draws its whole interface in it and will not start without it.";

// Welcome, uninstall.
inline constexpr wchar_t kRemovesFrom[] = L"This removes Tessark Studio from";
inline constexpr wchar_t kOnlyOwnFiles[] =
    L"Only the files this installer wrote are deleted. Anything else in that folder is left alone.";

// Working.
inline constexpr wchar_t kStarting[] = L"Starting\u2026";
inline constexpr wchar_t kInstalling[] = L"Installing\u2026";
inline constexpr wchar_t kRemoving[] = L"Removing\u2026";

// Done.
inline constexpr wchar_t kInstalled[] = L"Installed.";
inline constexpr wchar_t kRemoved[] = L"Tessark Studio has been removed.";
inline constexpr wchar_t kPurgedSentence[] = L"Its settings and cached data were removed as well.";
inline constexpr wchar_t kKeptSentence[] = L"Settings were left in place, in case you install it again.";
inline constexpr wchar_t kStartMenuSentence[] =
    L"It is in the Start menu, and in \u201COpen a folder\u2026\u201D it will offer the gamemode roots it found.";
inline constexpr wchar_t kFolderSentence[] = L"Launch it from the folder above.";

// Failed.
inline constexpr wchar_t kInstallFailed[] = L"The install did not finish.";
inline constexpr wchar_t kUninstallFailed[] = L"The uninstall did not finish.";
// When the system will not give the worker a thread, nothing has been touched.
inline constexpr wchar_t kWorkerNotStarted[] =
    L"Setup could not start its background work, so nothing was changed. Close this window and try again.";

}  // namespace ui_texts
