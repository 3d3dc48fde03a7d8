// The C++ runtime's default terminate handler prints the type of an uncaught
// exception and brings in the whole symbol demangler for it (about 45 KB).
// The installer has no console to print to, so terminating is all it needs.
#include <cstdlib>

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
