#include "digest_file.h"

#include "common/core/product.h"
#include "output_file.h"
#include "packer.h"
#include "pe_resource.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <system_error>

namespace packer {

std::filesystem::path digestPathFor(const std::filesystem::path& payload) {
    std::filesystem::path digest = payload;
    digest += ".digest";
    return digest;
}

void writeDigestFile(const std::filesystem::path& path, const ImageDigest& digest) {
    OutputFile output(path);
    output.write(encodeImageDigest(digest));
    output.commit();
}

namespace {

std::optional<std::vector<std::uint8_t>> recordFromResource(const PayloadFile& file,
                                                            const std::filesystem::path& path) {
    const std::wstring_view wide = product::kPayloadDigestResourceName;
    const pe::ResourceLookup found = pe::findResource(file.contents, pe::kRtRcdata, std::string(wide.begin(), wide.end()));
    switch (found.result) {
    case pe::Lookup::Found: return std::vector<std::uint8_t>(found.bytes.begin(), found.bytes.end());
    case pe::Lookup::NotFound: return std::nullopt;
    case pe::Lookup::NotAnExecutable:
    case pe::Lookup::Malformed: break;
    }
    throw Error("'" + path.string() + "': its PAYLOAD_DIGEST resource cannot be read");
}

std::optional<std::vector<std::uint8_t>> recordFromFileBeside(const std::filesystem::path& path) {
    const std::filesystem::path digestPath = digestPathFor(path);
    std::error_code ec;
    if (!std::filesystem::exists(digestPath, ec)) return std::nullopt;
    std::ifstream stream(digestPath, std::ios::binary);
    if (!stream) throw Error("cannot read '" + digestPath.string() + "'");
    std::vector<std::uint8_t> record((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    if (stream.bad()) throw Error("cannot read '" + digestPath.string() + "'");
    return record;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> findDigestRecord(const PayloadFile& file,
                                                          const std::filesystem::path& path) {
    return file.fromInstaller ? recordFromResource(file, path) : recordFromFileBeside(path);
}

std::string describeDigest(std::uint32_t crc32c) {
    char text[24];
    std::snprintf(text, sizeof text, "CRC-32C 0x%08x", crc32c);
    return text;
}

}  // namespace packer
