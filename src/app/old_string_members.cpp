// The few members of the runtime's old (reference-counted) std::string that
// its standard exception classes call, instantiated here from the library's
// own templates. The exceptions the code catches (std::system_error when the
// worker thread cannot start, std::length_error) hold their message in such
// a string. Met here, those calls no longer make the static linker take the
// runtime's complete instantiation of the old string (cow-string-inst.o,
// 20 KB), of which nothing else is used.
//
// This file alone is compiled with _GLIBCXX_USE_CXX11_ABI=0, so that
// std::string names the old string here.
#include <string>

template char* std::string::_S_construct(std::string::size_type, char, const std::allocator<char>&);
template void std::string::_Rep::_M_destroy(const std::allocator<char>&);
template void std::string::_Rep::_M_dispose(const std::allocator<char>&);
template char* std::string::_Rep::_M_clone(const std::allocator<char>&, std::string::size_type);
template std::string::_Rep* std::string::_Rep::_S_create(std::string::size_type, std::string::size_type,
                                                          const std::allocator<char>&);
template void std::string::swap(std::string&);
template std::string& std::string::assign(const std::string&);
