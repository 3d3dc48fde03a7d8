// Unpacks every chunk of a parsed payload into one image in memory: chunk i
// lands at i * chunkSize. Compressed chunks go through the Windows
// Compression API (LZMS) when the system has it, and through our own decoder
// where it does not, where it gives no decompressor, and for each chunk it
// refuses.
#pragma once

#include "payload/core/payload.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// progress receives (i + 1) * 100 / n after chunk i. On failure `error` is
// replaced with the damaged-payload message, or with the unavailable-API one
// when neither the API nor our decoder can run.
bool unpackPayload(const Payload& payload, std::vector<std::uint8_t>& image,
                   const std::function<void(int)>& progress, std::wstring& error);

// How many compressed chunks of an unpack each decoder decoded; for tests and
// diagnostics. A chunk the API refused and ours then decoded counts as ours.
struct DecoderUse {
    std::size_t byApi = 0;         // the API of the system folder's cabinet.dll (ordinals 40, 41, 43, 45)
    std::size_t byOwnDecoder = 0;  // ours: where the system has no such API (Wine's cabinet.dll lacks
                                   // it), where it gives no decompressor, and for each chunk it refuses
};

// The same, telling in `use` which decoder decoded what.
bool unpackPayload(const Payload& payload, std::vector<std::uint8_t>& image,
                   const std::function<void(int)>& progress, std::wstring& error, DecoderUse& use);

// unpackPayload, then the image checked against the installer's digest
// (verifyPayloadDigest) before anything is written. When the API decoded a
// chunk and the image fails, it is decoded once more by our decoder alone,
// without progress reports, and checked again. False, with the damaged-payload
// message, when the image still fails.
bool unpackVerifiedPayload(const Payload& payload, std::vector<std::uint8_t>& image,
                           const std::function<void(int)>& progress, std::wstring& error);
