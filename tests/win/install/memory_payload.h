// A payload container built in memory, for the tests that cannot change the
// resource of their own module: files laid back to back, cut into stored
// (uncompressed) chunks, read back through the real container reader.
#pragma once

#include "install/install.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct MemoryFile {
    std::string path;  // UTF-8, '/' separators
    std::string bytes;
};

using Files = std::vector<MemoryFile>;

class MemoryPayload {
public:
    explicit MemoryPayload(const std::vector<MemoryFile>& files, std::uint32_t chunkSize = 1u << 20);

    // Parses this container, as openPayload parses the resource.
    PayloadSource source() const;

private:
    std::vector<std::uint8_t> container_;
};

// n files "dir/fNNN.txt" of a few bytes each.
std::vector<MemoryFile> numberedFiles(std::size_t count);
