// The baseline of the install benchmark: a trivial Windows program (a window
// program, as the installers are), started the same way as they are. Its wall
// time is what starting and ending a process costs under Wine, its private
// bytes what a process holds before it does any work.
//   idle.exe [MS]   waits MS milliseconds (default 0) and exits: the memory
//                   figure needs it alive long enough for the launcher to
//                   read its counters.
#include <windows.h>

#include <cwchar>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR arguments, int) {
    Sleep(static_cast<DWORD>(std::wcstoul(arguments, nullptr, 10)));
    return 0;
}
