// The four runs of the program: install or uninstall, in a window or silent.
#pragma once

#include "app/command_line.h"
#include "ui/setup_state.h"

#include <string>

// Fills the setup state for the chosen mode. In an install, opens the payload
// once to fail early and to learn the size on disk: false, with the message
// in `payloadError`, when it cannot be opened.
bool prepareMode(SetupState& state, const CommandLine& line, std::wstring& payloadError);

// The silent road: runs the procedure on this thread; the exit code.
int runSilent(SetupState& state, bool relaunch);

// The window road: creates the window and runs the message loop; the exit code.
int runWindow(SetupState& state);
