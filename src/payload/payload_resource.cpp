// openPayload: the payload container is resource "PAYLOAD" (RT_RCDATA) of the
// installer's own executable. The resource stays mapped with the module for
// the life of the process, so the Payload points into it without a copy, and
// nothing here needs releasing: LoadResource's handle is not a real handle
// on 32/64-bit Windows and is never freed.
#include "payload/payload_resource.h"

#include "common/core/product.h"

#include <windows.h>

bool openPayload(Payload& payload, std::wstring& error) {
    HRSRC resource = FindResourceW(nullptr, product::kPayloadResourceName, RT_RCDATA);
    if (resource == nullptr) return reportStatus(PayloadStatus::Missing, error);
    HGLOBAL loaded = LoadResource(nullptr, resource);
    if (loaded == nullptr) return reportStatus(PayloadStatus::NotLoaded, error);
    const auto* data = static_cast<const std::uint8_t*>(LockResource(loaded));
    const DWORD size = SizeofResource(nullptr, resource);
    if (data == nullptr) return reportStatus(PayloadStatus::Truncated, error);
    // parsePayload reports fewer than 56 bytes as truncated itself.
    return reportStatus(parsePayload(std::span<const std::uint8_t>(data, size), payload), error);
}
