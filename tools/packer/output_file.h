// An output file that appears all at once: bytes go to a temporary file next
// to the target, which replaces the target only on commit(). A failed or
// interrupted pack never leaves half a payload where the build expects a
// whole one.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

namespace packer {

class OutputFile {
public:
    // Throws Error when the target's folder cannot take a new file.
    explicit OutputFile(std::filesystem::path target);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void write(std::span<const std::uint8_t> bytes);
    void writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes);
    // Flushes the temporary file to disk and renames it over the target.
    void commit();

private:
    [[noreturn]] void fail(const char* what) const;

    std::filesystem::path target_;
    std::filesystem::path temporary_;
    int fd_ = -1;
    bool committed_ = false;
};

}  // namespace packer
