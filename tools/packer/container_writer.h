// Writes the payload container for a list of files already in payload order:
//
//   header (56 bytes) | file table | chunk table (24 bytes a record) | data
//
// The files' bytes are laid back to back from image offset 0 and the image is
// cut into chunks of `chunkSize` bytes (the last one shorter). Each chunk is
// stored as a Compression API LZMS buffer of one block, or as it is when
// compression would not make it smaller (or when `store` is set). Chunks
// follow one another in the data area without gaps. Nothing depends on time
// or on the machine: the same files give the same bytes.
#pragma once

#include "app_folder.h"
#include "payload/core/digest.h"
#include "payload/core/payload.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace packer {

class OutputFile;

// Each chunk is one Compression API LZMS buffer whose block size is the chunk
// size, and the API takes LZMS block sizes from 64 KiB to 64 MiB.
inline constexpr std::uint32_t kMinChunkSize = 64u << 10;
static_assert(kMaxChunkSize == 64u << 20, "the reader's limit is the API's largest block");
// The largest: LZMS finds repeats only inside a chunk, and an application's
// files repeat each other across tens of megabytes (bundles built from the
// same sources). bench/ measures the candidates on two real folders.
inline constexpr std::uint32_t kDefaultChunkSize = kMaxChunkSize;
inline constexpr unsigned kDefaultLevel = 50;

struct PackSettings {
    std::uint32_t chunkSize = kDefaultChunkSize;
    unsigned level = kDefaultLevel;
    bool store = false;
};

struct PackSummary {
    std::uint64_t totalSize = 0;      // unpacked image
    std::uint32_t chunkCount = 0;
    std::uint32_t storedChunks = 0;
    std::uint64_t payloadSize = 0;    // the container file
    ImageDigest digest;               // of the header, file table and image, for PAYLOAD_DIGEST
};

// Called after each chunk with the image bytes done so far and the total.
using PackProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;

// Throws Error when a file cannot be read, changed size since it was listed,
// or the files do not fit the container's 32-bit counts.
PackSummary writeContainer(const std::vector<SourceFile>& files, const PackSettings& settings, OutputFile& out,
                           const PackProgress& progress);

}  // namespace packer
