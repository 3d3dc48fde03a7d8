// One setup at a time in a user session. Two runs of this program (two
// installs, or an install and an uninstall, in a window or silent) would
// interleave their writes to the same files, manifest and registry entry, so
// every run holds the session mutex product::kSetupMutexName from start to
// end, and a run that finds it taken only says so and ends.
#pragma once

// The later run's answer; returns its exit code, 1. A silent run writes the
// sentence to standard error. A window run brings the running setup's window
// to the front, or, when that run has no window (it is silent, or has not
// made its window yet), shows the sentence in a message box.
int refuseSecondSetup(bool silent);
