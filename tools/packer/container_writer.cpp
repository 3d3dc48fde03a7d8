#include "container_writer.h"

#include "chunk_compressor.h"
#include "output_file.h"
#include "packer.h"
#include "payload/core/payload.h"

#include <algorithm>
#include <fstream>
#include <optional>
#include <limits>
#include <string>

namespace packer {
namespace {

void appendU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(std::uint8_t(value >> (8 * i)));
}

void appendU64(std::vector<std::uint8_t>& out, std::uint64_t value) {
    appendU32(out, std::uint32_t(value));
    appendU32(out, std::uint32_t(value >> 32));
}

std::vector<std::uint8_t> fileTableBytes(const std::vector<SourceFile>& files) {
    std::vector<std::uint8_t> table;
    std::uint64_t offset = 0;
    for (const SourceFile& file : files) {
        appendU32(table, std::uint32_t(file.payloadPath.size()));
        table.insert(table.end(), file.payloadPath.begin(), file.payloadPath.end());
        appendU64(table, offset);
        appendU64(table, file.size);
        offset += file.size;
    }
    return table;
}

std::vector<std::uint8_t> chunkTableBytes(const std::vector<PayloadChunk>& chunks) {
    std::vector<std::uint8_t> table;
    table.reserve(chunks.size() * kPayloadChunkRecordSize);
    for (const PayloadChunk& chunk : chunks) {
        appendU64(table, chunk.offset);
        appendU32(table, chunk.compressedSize);
        appendU32(table, chunk.size);
        appendU32(table, chunk.stored);
        appendU32(table, chunk.reserved);
    }
    return table;
}

std::vector<std::uint8_t> headerBytes(const PayloadHeader& header) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(kPayloadHeaderSize);
    appendU64(bytes, header.magic);
    appendU32(bytes, header.version);
    appendU32(bytes, header.fileCount);
    appendU32(bytes, header.chunkCount);
    appendU32(bytes, header.chunkSize);
    appendU64(bytes, header.totalSize);
    appendU64(bytes, header.fileTableOffset);
    appendU64(bytes, header.chunkTableOffset);
    appendU64(bytes, header.dataOffset);
    return bytes;
}

// Reads the files one after another as one stream of image bytes.
class ImageReader {
public:
    explicit ImageReader(const std::vector<SourceFile>& files) : files_(files) {}

    // Fills `into` completely (the caller never asks past the image's end).
    void read(std::span<std::uint8_t> into) {
        while (!into.empty()) {
            if (!stream_.is_open()) open();
            const std::uint64_t left = files_[index_].size - consumed_;
            const std::size_t take = std::size_t(std::min<std::uint64_t>(left, into.size()));
            if (take == 0) throw Error("the files hold fewer bytes than listed");
            stream_.read(reinterpret_cast<char*>(into.data()), std::streamsize(take));
            if (std::size_t(stream_.gcount()) != take) changed();
            consumed_ += take;
            into = into.subspan(take);
            if (consumed_ == files_[index_].size) close();
        }
    }

    // Opens the empty files that no read reached (those at the end): they
    // add no bytes, but an unreadable one is an error all the same.
    void finish() {
        while (index_ < files_.size()) {
            open();
            close();
        }
    }

private:
    // Opens the current file; empty ones are opened and passed over at once.
    void open() {
        while (true) {
            stream_.open(files_[index_].sourcePath, std::ios::binary);
            if (!stream_) throw Error("cannot read '" + files_[index_].sourcePath.string() + "'");
            consumed_ = 0;
            if (files_[index_].size != 0 || index_ + 1 == files_.size()) return;
            close();
        }
    }

    void close() {
        // A file that grew since it was listed would be cut short silently.
        if (stream_.peek() != std::ifstream::traits_type::eof()) changed();
        stream_.close();
        ++index_;
    }

    [[noreturn]] void changed() const {
        throw Error("'" + files_[index_].sourcePath.string() + "' changed while it was being packed");
    }

    const std::vector<SourceFile>& files_;
    std::size_t index_ = 0;
    std::uint64_t consumed_ = 0;
    std::ifstream stream_;
};

std::uint64_t imageSize(const std::vector<SourceFile>& files) {
    std::uint64_t total = 0;
    for (const SourceFile& file : files) total += file.size;
    return total;
}

PayloadHeader planHeader(const std::vector<SourceFile>& files, std::uint64_t fileTableSize,
                         const PackSettings& settings) {
    PayloadHeader header;
    header.magic = kPayloadMagic;
    header.version = kPayloadVersion;
    if (files.size() > std::numeric_limits<std::uint32_t>::max()) throw Error("too many files for one payload");
    header.fileCount = std::uint32_t(files.size());
    header.totalSize = imageSize(files);
    const std::uint64_t chunks = (header.totalSize + settings.chunkSize - 1) / settings.chunkSize;
    if (chunks > std::numeric_limits<std::uint32_t>::max()) throw Error("too many chunks; choose a larger --chunk-size");
    header.chunkCount = std::uint32_t(chunks);
    header.chunkSize = settings.chunkSize;
    header.fileTableOffset = kPayloadHeaderSize;
    header.chunkTableOffset = header.fileTableOffset + fileTableSize;
    header.dataOffset = header.chunkTableOffset + std::uint64_t(header.chunkCount) * kPayloadChunkRecordSize;
    return header;
}

}  // namespace

PackSummary writeContainer(const std::vector<SourceFile>& files, const PackSettings& settings, OutputFile& out,
                           const PackProgress& progress) {
    const std::vector<std::uint8_t> fileTable = fileTableBytes(files);
    const PayloadHeader header = planHeader(files, fileTable.size(), settings);
    const std::vector<std::uint8_t> headerData = headerBytes(header);

    // The chunk table is known only once every chunk is packed: write the
    // data first, behind room for the tables, and the tables last.
    out.writeAt(0, headerData);
    out.writeAt(header.fileTableOffset, fileTable);

    std::optional<ChunkCompressor> compressor;
    if (!settings.store && header.chunkCount != 0) compressor.emplace(settings.chunkSize, settings.level);

    ImageReader reader(files);
    std::vector<std::uint8_t> chunk;
    std::vector<PayloadChunk> chunks;
    chunks.reserve(header.chunkCount);
    // The digest covers the header and the file table, then the image.
    const std::uint32_t tablesCrc = digest::crc32c(fileTable, digest::crc32c(headerData));
    PackSummary summary{header.totalSize, header.chunkCount, 0, header.dataOffset,
                        {header.totalSize, tablesCrc, DigestCoverage::TablesAndImage}};
    std::uint64_t dataWritten = 0;
    for (std::uint32_t i = 0; i < header.chunkCount; ++i) {
        const std::uint64_t start = std::uint64_t(i) * header.chunkSize;
        chunk.resize(std::size_t(std::min<std::uint64_t>(header.chunkSize, header.totalSize - start)));
        reader.read(chunk);
        summary.digest.crc32c = digest::crc32c(chunk, summary.digest.crc32c);

        PayloadChunk record;
        record.offset = dataWritten;
        record.size = std::uint32_t(chunk.size());
        std::optional<std::vector<std::uint8_t>> packed;
        if (compressor) packed = compressor->compress(chunk);
        const std::span<const std::uint8_t> stored = packed ? std::span<const std::uint8_t>(*packed) : chunk;
        record.compressedSize = std::uint32_t(stored.size());
        record.stored = packed ? 0 : 1;
        summary.storedChunks += record.stored;
        out.writeAt(header.dataOffset + dataWritten, stored);
        dataWritten += stored.size();
        chunks.push_back(record);
        if (progress) progress(start + chunk.size(), header.totalSize);
    }

    reader.finish();
    out.writeAt(header.chunkTableOffset, chunkTableBytes(chunks));
    summary.payloadSize = header.dataOffset + dataWritten;
    return summary;
}

}  // namespace packer
