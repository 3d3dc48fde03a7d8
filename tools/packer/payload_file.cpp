#include "payload_file.h"

#include "common/core/product.h"
#include "packer.h"
#include "pe_resource.h"

#include <fstream>
#include <iterator>

namespace packer {
namespace {

std::vector<std::uint8_t> readWholeFile(const std::filesystem::path& path) {
    std::ifstream stream(path, std::ios::binary);
    if (!stream) throw Error("cannot read '" + path.string() + "'");
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    if (stream.bad()) throw Error("cannot read '" + path.string() + "'");
    return bytes;
}

std::string resourceName() {
    const std::wstring_view wide = product::kPayloadResourceName;
    return std::string(wide.begin(), wide.end());
}

}  // namespace

std::string toUtf8(std::wstring_view text) {
    std::string out;
    for (const wchar_t wc : text) {
        const auto c = static_cast<std::uint32_t>(wc);
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | c >> 6);
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | c >> 12);
            out += char(0x80 | (c >> 6 & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | c >> 18);
            out += char(0x80 | (c >> 12 & 0x3F));
            out += char(0x80 | (c >> 6 & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

PayloadFile readPayloadFile(const std::filesystem::path& path) {
    PayloadFile file;
    file.contents = readWholeFile(path);
    if (!pe::looksLikeExecutable(file.contents)) {
        file.payload = file.contents;
        return file;
    }
    file.fromInstaller = true;
    const pe::ResourceLookup found = pe::findResource(file.contents, pe::kRtRcdata, resourceName());
    switch (found.result) {
    case pe::Lookup::Found: file.payload = found.bytes; return file;
    case pe::Lookup::NotAnExecutable: throw Error("'" + path.string() + "' starts like an executable but is not one");
    case pe::Lookup::NotFound: throw Error("'" + path.string() + "' is an executable without a PAYLOAD resource");
    case pe::Lookup::Malformed: throw Error("'" + path.string() + "' is a damaged executable: its resources point outside the file");
    }
    throw Error("'" + path.string() + "': unexpected resource lookup result");
}

Payload parsePayloadFile(const PayloadFile& file, const std::filesystem::path& path) {
    Payload payload;
    const PayloadStatus status = parsePayload(file.payload, payload);
    if (status != PayloadStatus::Ok) throw Error("'" + path.string() + "': " + toUtf8(payloadMessage(status)));
    return payload;
}

}  // namespace packer
