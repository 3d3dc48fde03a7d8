// The installer's command-line switches, spelled once: the command line reads
// them, and whatever states how to run the installer (the uninstall entry's
// quiet command, package manifests) writes them.
#pragma once

namespace switches {

inline constexpr wchar_t kSilent[] = L"/S";
inline constexpr wchar_t kSilentLong[] = L"--silent";
inline constexpr wchar_t kUninstall[] = L"--uninstall";
// A prefix: the install folder follows it in the same argument.
inline constexpr wchar_t kDirPrefix[] = L"--dir=";
inline constexpr wchar_t kNoDesktop[] = L"--no-desktop";
inline constexpr wchar_t kNoStartMenu[] = L"--no-startmenu";
inline constexpr wchar_t kNoShell[] = L"--no-shell";
inline constexpr wchar_t kRelaunch[] = L"--relaunch";
inline constexpr wchar_t kKeepSettings[] = L"--keep-settings";
inline constexpr wchar_t kPurge[] = L"--purge";

}  // namespace switches
