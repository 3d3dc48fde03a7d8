// An uninstall has its uninstall.exe and the emptied install folder removed
// by a hidden command interpreter about two seconds after it exits (see
// uninstall/self_delete.h). An install started into that folder meanwhile,
// as a script running "uninstall.exe /S" and then "setup /S" does, would
// write a fresh uninstall.exe only to have it deleted.
#pragma once

#include <string>

// When the folder holds uninstall.exe but no manifest, what an uninstall
// leaves for its self-deletion, waits up to five seconds for uninstall.exe to
// go, and for the folder to go after it when nothing else is left in it (the
// removal of the folder follows the deletion). Returns at once otherwise.
void waitForPendingSelfDeletion(const std::wstring& installDir);
