// packer pack DIR -o FILE [--chunk-size BYTES] [--level N] [--store]
//                         [--app-exe FILE] [--replace-uninstaller FILE]
//
// Writes FILE and, beside it, FILE.digest: the digest of the container's
// header and file table and of the unpacked image, which the build embeds as
// resource PAYLOAD_DIGEST.
#include "app_folder.h"
#include "arguments.h"
#include "container_writer.h"
#include "digest_file.h"
#include "output_file.h"
#include "packer.h"
#include "payload/core/payload.h"
#include "progress_bar.h"

#include <limits>
#include <ostream>

namespace packer {
namespace {

struct PackRequest {
    std::filesystem::path folder;
    std::filesystem::path output;
    PackSettings settings;
    FolderOverrides overrides;
};

std::uint32_t parseChunkSize(const std::string& text) {
    const std::uint64_t size = parseNumber(text, "--chunk-size", 0, std::numeric_limits<std::uint64_t>::max());
    if (size < kMinChunkSize || size > kMaxChunkSize) {
        throw UsageError("--chunk-size must be from " + std::to_string(kMinChunkSize) + " to " +
                         std::to_string(kMaxChunkSize) +
                         " bytes, the LZMS block sizes the Windows Compression API accepts, not " + text);
    }
    return std::uint32_t(size);
}

PackRequest readPackRequest(std::span<const std::string> args) {
    Arguments arguments(args);
    PackRequest request;
    const auto output = arguments.takeValue("-o");
    if (const auto size = arguments.takeValue("--chunk-size")) {
        request.settings.chunkSize = parseChunkSize(*size);
    }
    if (const auto level = arguments.takeValue("--level")) {
        request.settings.level = unsigned(parseNumber(*level, "--level", 1, std::numeric_limits<unsigned>::max()));
    }
    request.settings.store = arguments.takeFlag("--store");
    if (const auto exe = arguments.takeValue("--app-exe")) request.overrides.appExe = *exe;
    if (const auto exe = arguments.takeValue("--replace-uninstaller")) request.overrides.uninstaller = *exe;
    request.folder = arguments.positionals(1).front();
    if (!output) throw UsageError("pack needs -o FILE");
    request.output = *output;
    return request;
}

}  // namespace

int packCommand(std::span<const std::string> args, Console& console) {
    const PackRequest request = readPackRequest(args);
    const std::vector<SourceFile> files = collectAppFiles(request.folder, request.overrides, console.err);

    OutputFile output(request.output);
    PackSummary summary;
    {
        ProgressBar bar(console.err, console.showProgress, "packing");
        summary = writeContainer(files, request.settings, output,
                                 [&](std::uint64_t done, std::uint64_t total) { bar.update(done, total); });
    }
    output.commit();
    const std::filesystem::path digestPath = digestPathFor(request.output);
    writeDigestFile(digestPath, summary.digest);

    console.out << "packed " << files.size() << " files, " << summary.totalSize << " bytes, into "
                << summary.chunkCount << " chunks (" << summary.storedChunks << " stored): "
                << request.output.string() << ", " << summary.payloadSize << " bytes; header, file table and image "
                << describeDigest(summary.digest.crc32c) << ": " << digestPath.string() << "\n";
    return kExitOk;
}

}  // namespace packer
