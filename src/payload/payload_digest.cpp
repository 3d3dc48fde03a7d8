// verifyPayloadDigest: the digest is resource "PAYLOAD_DIGEST" (RT_RCDATA) of
// the installer's own executable, beside the payload. Like the payload it
// stays mapped with the module; LoadResource's handle needs no freeing.
#include "payload/payload_digest.h"

#include "common/core/product.h"
#include "payload/core/digest.h"
#include "payload/core/payload.h"

#include <windows.h>

bool verifyPayloadDigest(const Payload& payload, std::span<const std::uint8_t> image, std::wstring& error) {
    HRSRC resource = FindResourceW(nullptr, product::kPayloadDigestResourceName, RT_RCDATA);
    // Installers built before the digest existed carry none: nothing to check.
    if (resource == nullptr) return true;
    HGLOBAL loaded = LoadResource(nullptr, resource);
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (data == nullptr) {
        return reportStatus(PayloadStatus::Damaged, error);
    }
    const std::span<const std::uint8_t> record(static_cast<const std::uint8_t*>(data),
                                               SizeofResource(nullptr, resource));
    return reportStatus(checkPayloadDigest(payload, image, record), error);
}
