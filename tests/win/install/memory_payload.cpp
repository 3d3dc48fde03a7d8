#include "memory_payload.h"

#include <cstring>

namespace {

template <typename T>
void append(std::vector<std::uint8_t>& out, T value) {
    const std::size_t at = out.size();
    out.resize(at + sizeof(T));
    std::memcpy(out.data() + at, &value, sizeof(T));  // x64: already little-endian
}

template <typename T>
void patch(std::vector<std::uint8_t>& out, std::size_t at, T value) {
    std::memcpy(out.data() + at, &value, sizeof(T));
}

}  // namespace

MemoryPayload::MemoryPayload(const std::vector<MemoryFile>& files, std::uint32_t chunkSize) {
    std::string image;
    for (const MemoryFile& file : files) image += file.bytes;
    const std::uint32_t chunkCount = static_cast<std::uint32_t>((image.size() + chunkSize - 1) / chunkSize);

    std::vector<std::uint8_t>& out = container_;
    append(out, kPayloadMagic);
    append(out, kPayloadVersion);
    append(out, static_cast<std::uint32_t>(files.size()));
    append(out, chunkCount);
    append(out, chunkSize);
    append(out, static_cast<std::uint64_t>(image.size()));
    append(out, std::uint64_t{kPayloadHeaderSize});  // file table right behind the header
    append(out, std::uint64_t{0});                   // chunk table offset, patched below
    append(out, std::uint64_t{0});                   // data offset, patched below

    std::uint64_t offset = 0;
    for (const MemoryFile& file : files) {
        append(out, static_cast<std::uint32_t>(file.path.size()));
        out.insert(out.end(), file.path.begin(), file.path.end());
        append(out, offset);
        append(out, static_cast<std::uint64_t>(file.bytes.size()));
        offset += file.bytes.size();
    }
    patch(out, 40, static_cast<std::uint64_t>(out.size()));
    for (std::uint32_t i = 0; i < chunkCount; ++i) {
        const std::uint64_t start = std::uint64_t{i} * chunkSize;
        const auto size = static_cast<std::uint32_t>(std::min<std::uint64_t>(chunkSize, image.size() - start));
        append(out, start);           // offset from the data area
        append(out, size);            // compressedSize: the stored bytes
        append(out, size);            // size
        append(out, std::uint32_t{1});  // stored
        append(out, std::uint32_t{0});  // reserved
    }
    patch(out, 48, static_cast<std::uint64_t>(out.size()));
    out.insert(out.end(), image.begin(), image.end());
}

PayloadSource MemoryPayload::source() const {
    return [this](Payload& payload, std::wstring& error) { return reportStatus(parsePayload(container_, payload), error); };
}

std::vector<MemoryFile> numberedFiles(std::size_t count) {
    std::vector<MemoryFile> files;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string number = std::to_string(1000 + i).substr(1);
        files.push_back({"dir/f" + number + ".txt", "file " + number});
    }
    return files;
}
