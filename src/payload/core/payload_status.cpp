#include "payload/core/payload.h"

#include <array>
#include <cstddef>

namespace {

constexpr std::size_t kStatusCount = static_cast<std::size_t>(PayloadStatus::Damaged) + 1;

// PayloadStatus → sentence, in the enum's order.
constexpr std::array<std::wstring_view, kStatusCount> kMessages{
    L"",
    L"This installer was built without its payload.",
    L"The payload resource could not be loaded.",
    L"The payload is truncated.",
    L"The payload was written by a different version of the packer.",
    L"The payload file table is malformed.",
    L"The Windows Compression API is unavailable on this machine.",
    L"The payload could not be decompressed - this installer may be damaged.",
};

}  // namespace

std::wstring_view payloadMessage(PayloadStatus status) {
    return kMessages[static_cast<std::size_t>(status)];
}

bool reportStatus(PayloadStatus status, std::wstring& error) {
    if (status == PayloadStatus::Ok) return true;
    error = payloadMessage(status);
    return false;
}

std::uint64_t payloadBytes(const Payload& payload) {
    std::uint64_t total = 0;
    for (const PayloadEntry& entry : payload.entries) total += entry.size;
    return total;
}
