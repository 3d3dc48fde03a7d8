// Two definitions that keep 22 KB of the C++ runtime out of the executables.
//
// The runtime's exception classes (its object cow-stdexcept.o, brought in by
// std::length_error and the other standard exceptions the code may throw)
// refer to a conversion from the old string type to the new one, and the old
// string's instantiations (cow-string-inst.o) refer to std::random_device's
// set-up. Neither is ever called here: no exception crosses between the two
// string types, and nothing makes a random device. But a reference is enough
// for the static linker to take each whole object file, and with it the new
// string's complete instantiation (string-inst.o) and the random device's
// (random.o) - and the PE linker keeps every function of a file it takes,
// since it keeps every unwind record. Defined here, the references are met
// and those files stay out. Should either ever be called, the program stops
// at once rather than run on with a wrong string.
#include <cstdlib>
#include <random>

namespace std {

// The runtime's internal string of the new type, as its exception classes
// declare it; only this constructor is referred to.
struct __sso_string {
    __sso_string(const char*, size_t);
};

__sso_string::__sso_string(const char*, size_t) {
    std::abort();
}

void random_device::_M_init(const char*, size_t) {
    std::abort();
}

}  // namespace std
