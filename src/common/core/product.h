// The fixed names of the product, spelled once. Everything the installer
// writes, reads or shows by name takes it from here.
#pragma once

namespace product {

inline constexpr wchar_t kName[] = L"Tessark Studio";
inline constexpr wchar_t kVersion[] = L"0.2.5";
inline constexpr wchar_t kPublisher[] = L"Tessark";
inline constexpr wchar_t kShortcutDescription[] = L"IDE for the Tessark gamemode";
inline constexpr wchar_t kMessageCaption[] = L"Tessark Studio";

inline constexpr wchar_t kAppExe[] = L"TessarkStudio.exe";
inline constexpr wchar_t kUninstallerExe[] = L"uninstall.exe";
inline constexpr wchar_t kManifestFile[] = L"install-manifest.txt";
// The manifest is written here first, then moved over kManifestFile in one step.
inline constexpr wchar_t kManifestNewFile[] = L"install-manifest.txt.new";
inline constexpr wchar_t kSessionFile[] = L"session-url.txt";
inline constexpr wchar_t kSettingsFile[] = L"tessark-studio.json";
inline constexpr wchar_t kDataFolder[] = L"TessarkStudio";
inline constexpr wchar_t kShortcutFile[] = L"Tessark Studio.lnk";
inline constexpr wchar_t kInstallFolderName[] = L"Tessark Studio";

inline constexpr wchar_t kUninstallKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TessarkStudio";
// The uninstall entry's value that records the install folder; the next
// install proposes that folder again.
inline constexpr wchar_t kInstallLocationValue[] = L"InstallLocation";

// The mutex that one setup (install or uninstall) holds for its whole run, in
// the session's namespace.
inline constexpr wchar_t kSetupMutexName[] = L"TessarkStudioSetup";

inline constexpr wchar_t kAppWindowClass[] = L"TessarkStudioHostWindow";
inline constexpr wchar_t kSetupWindowClass[] = L"TessarkStudioSetupWindow";
inline constexpr wchar_t kInstallTitle[] = L"Install Tessark Studio";
inline constexpr wchar_t kUninstallTitle[] = L"Uninstall Tessark Studio";

inline constexpr wchar_t kRegisterShellArgs[] = L"--register-shell --quiet";
inline constexpr wchar_t kUnregisterShellArgs[] = L"--unregister-shell --quiet";
inline constexpr unsigned kShellStepTimeoutMs = 20000;

// Payload resource: name "PAYLOAD", type RT_RCDATA.
inline constexpr wchar_t kPayloadResourceName[] = L"PAYLOAD";
// The digest of the unpacked payload image: name "PAYLOAD_DIGEST", type RT_RCDATA.
inline constexpr wchar_t kPayloadDigestResourceName[] = L"PAYLOAD_DIGEST";

}  // namespace product
