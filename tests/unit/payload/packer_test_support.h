// Helpers for the packer tests: temporary folders and whole files on the
// host's file system, and the packer's command line run in-process.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace packer_test {

using Bytes = std::vector<std::uint8_t>;

// A fresh folder under the system's temporary folder, removed with
// everything in it at scope end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& relative) const { return path_ / relative; }

private:
    std::filesystem::path path_;
};

// Writes the whole file, creating its parent folders.
void writeFile(const std::filesystem::path& path, const Bytes& bytes);
void writeFile(const std::filesystem::path& path, const std::string& text);
// The whole file, or nothing when it cannot be read.
Bytes readFile(const std::filesystem::path& path);

struct PackerRun {
    int code = -1;
    std::string out;
    std::string err;
};

// Runs the packer's command line (without the program name) and captures
// what it prints.
PackerRun packer(const std::vector<std::string>& args);

}  // namespace packer_test
