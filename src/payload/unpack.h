// Unpacks every chunk of a parsed payload into one image in memory: chunk i
// lands at i * chunkSize. Compressed chunks go through the Windows
// Compression API (LZMS) when the system has it, else through our own decoder.
#pragma once

#include "payload/payload.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// progress receives (i + 1) * 100 / n after chunk i. On failure `error` is
// replaced with the unavailable-API or the damaged-payload message.
bool unpackPayload(const Payload& payload, std::vector<std::uint8_t>& image,
                   const std::function<void(int)>& progress, std::wstring& error);
