// The positive control of the planted-DLL test: an ordinary program that
// loads each DLL named on its command line by bare name, with the default
// search order, which looks in the program's own folder first. Exit code 0
// when every one loaded.
#include "common/owners.h"

#include <vector>

int wmain(int argc, wchar_t** argv) {
    std::vector<win::UniqueModule> loaded;
    for (int i = 1; i < argc; ++i) {
        win::UniqueModule module(LoadLibraryW(argv[i]));
        if (module) loaded.push_back(std::move(module));
    }
    return static_cast<int>(loaded.size()) == argc - 1 ? 0 : 1;
}
