// Unpacks every chunk of a parsed payload into one image in memory: chunk i
// lands at i * chunkSize. Compressed chunks go through the Windows
// Compression API (LZMS) when the system has it, else through our own decoder.
#pragma once

#include "payload/core/payload.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// progress receives (i + 1) * 100 / n after chunk i. On failure `error` is
// replaced with the unavailable-API or the damaged-payload message.
bool unpackPayload(const Payload& payload, std::vector<std::uint8_t>& image,
                   const std::function<void(int)>& progress, std::wstring& error);

// Which decoder an unpack set up for the compressed chunks.
enum class DecompressionPath {
    None,            // none: the chunk table or the image allocation failed first
    CompressionApi,  // the API of the system folder's cabinet.dll (ordinals 40, 41, 43, 45)
    OwnDecoder,      // our own, where the system has no such API (Wine's cabinet.dll lacks it)
};

// The same, telling in `path` which decoder was chosen; for tests and diagnostics.
bool unpackPayload(const Payload& payload, std::vector<std::uint8_t>& image,
                   const std::function<void(int)>& progress, std::wstring& error, DecompressionPath& path);
