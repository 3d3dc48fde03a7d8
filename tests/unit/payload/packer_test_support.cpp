#include "packer_test_support.h"

#include "packer.h"

#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <sstream>

namespace fs = std::filesystem;

namespace packer_test {

TempFolder::TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "packer-test-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
}

TempFolder::~TempFolder() { fs::remove_all(path_); }

void writeFile(const fs::path& path, const Bytes& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void writeFile(const fs::path& path, const std::string& text) {
    writeFile(path, Bytes(text.begin(), text.end()));
}

Bytes readFile(const fs::path& path) {
    std::ifstream stream(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
}

PackerRun packer(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    packer::Console console{out, err, false};
    PackerRun run;
    run.code = packer::run(args, console);
    run.out = out.str();
    run.err = err.str();
    return run;
}

}  // namespace packer_test
