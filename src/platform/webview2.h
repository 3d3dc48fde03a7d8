// Whether the WebView2 runtime is installed. The installed application draws
// its whole interface with it; the installer only warns when it is missing.
#pragma once

// True when any of the runtime's three registrations (machine-wide 32-bit
// view, machine-wide, per user) carries a real version in its "pv" value.
// Read once at start-up of an install, on the main thread.
bool isWebView2Installed();

// Where the warning's link leads: the runtime's download page.
inline constexpr wchar_t kWebView2DownloadUrl[] = L"https://go.microsoft.com/fwlink/p/?LinkId=2124703";
