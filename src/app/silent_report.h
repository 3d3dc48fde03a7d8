// Where a silent run's error text goes. The exit code stays the only
// contract; the sentence is a courtesy to administrators and scripts.
#pragma once

#include <string>

// Writes the text and a line break to the standard error handle the process
// inherited, when there is one; otherwise, when started from a console, to
// that console. Never opens a console of its own and never shows a window.
void reportSilentError(const std::wstring& text);
