// Starting the installed application, after a silent install with
// --relaunch and from the window's "Open Tessark Studio".
#pragma once

#include <string>

// Starts TessarkStudio.exe from the install folder, with that folder as its
// working folder. Whether it started is not checked.
void launchApp(const std::wstring& installDir);
