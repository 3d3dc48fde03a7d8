#include "app_folder.h"

#include "common/core/product.h"
#include "packer.h"
#include "payload/core/payload_path.h"

#include <algorithm>
#include <iterator>
#include <cstdio>
#include <ostream>
#include <string_view>
#include <system_error>

namespace fs = std::filesystem;

namespace packer {
namespace {

SourceFile describeFile(const fs::path& root, const fs::directory_entry& entry) {
    const fs::file_status status = entry.symlink_status();
    const std::string relative = entry.path().lexically_relative(root).generic_string();
    if (fs::is_symlink(status)) {
        throw Error("'" + printablePath(relative) +
                    "' is a symbolic link; the packer does not follow links, put the file itself in the folder");
    }
    if (!fs::is_regular_file(status)) {
        throw Error("'" + printablePath(relative) + "' is neither a file nor a folder");
    }
    const payload_path::Fault fault = payload_path::check(relative);
    if (fault != payload_path::Fault::None) {
        throw Error("the path '" + printablePath(relative) + "' " + payload_path::describe(fault));
    }
    return SourceFile{relative, entry.path(), entry.file_size()};
}

std::vector<SourceFile> scanFolder(const fs::path& root) {
    std::error_code ec;
    if (!fs::is_directory(root, ec)) throw Error("the folder '" + root.string() + "' does not exist");

    std::vector<SourceFile> files;
    try {
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
            if (entry.is_directory() && !entry.is_symlink()) continue;
            files.push_back(describeFile(root, entry));
        }
    } catch (const fs::filesystem_error& e) {
        throw Error("cannot read the folder '" + e.path1().string() + "': " + e.code().message());
    }
    return files;
}

SourceFile buildFile(const std::string& payloadPath, const fs::path& source) {
    std::error_code ec;
    const auto size = fs::file_size(source, ec);
    if (ec) throw Error("cannot read '" + source.string() + "': " + ec.message());
    return SourceFile{payloadPath, source, size};
}

// Puts the build's own copy of a top-level file into the list, replacing the
// folder's copy with a warning.
void overrideFile(std::vector<SourceFile>& files, const std::string& payloadPath, const fs::path& source,
                  const fs::path& folder, std::ostream& warnings) {
    SourceFile replacement = buildFile(payloadPath, source);
    const auto existing = std::find_if(files.begin(), files.end(),
                                       [&](const SourceFile& f) { return f.payloadPath == payloadPath; });
    if (existing == files.end()) {
        files.push_back(std::move(replacement));
        return;
    }
    warnings << "packer: warning: " << (folder / payloadPath).string() << " replaced by the build's " << payloadPath
             << "\n";
    *existing = std::move(replacement);
}

// The fixed order: the application, the uninstaller, then byte order of the
// path (std::string compares chars as unsigned, like memcmp).
void sortInPayloadOrder(std::vector<SourceFile>& files) {
    auto rank = [](const SourceFile& f) {
        if (f.payloadPath == appExeName()) return 0;
        if (f.payloadPath == uninstallerName()) return 1;
        return 2;
    };
    std::sort(files.begin(), files.end(), [&](const SourceFile& a, const SourceFile& b) {
        const int ra = rank(a), rb = rank(b);
        if (ra != rb) return ra < rb;
        return a.payloadPath < b.payloadPath;
    });
}

void requireTopFile(const std::vector<SourceFile>& files, const std::string& name, const fs::path& folder,
                    std::string_view option) {
    const bool present =
        std::any_of(files.begin(), files.end(), [&](const SourceFile& f) { return f.payloadPath == name; });
    if (!present) {
        throw Error("'" + folder.string() + "' has no " + name + " at its top (or pass " + std::string(option) +
                    " FILE)");
    }
}

void refuseClashes(const std::vector<SourceFile>& files) {
    std::vector<std::string_view> paths;
    paths.reserve(files.size());
    for (const SourceFile& f : files) paths.push_back(f.payloadPath);
    const auto clash = payload_path::findClash(paths);
    if (!clash) return;
    const std::string first = printablePath(files[clash->first].payloadPath);
    const std::string second = printablePath(files[clash->second].payloadPath);
    if (clash->kind == payload_path::ClashKind::SameFile) {
        throw Error("'" + first + "' and '" + second + "' differ only in letter case; Windows would make them one file");
    }
    throw Error("'" + first + "' is a file, but '" + second + "' needs it as a folder on Windows");
}

}  // namespace

// The product's fixed file names are wide (the installer's own text is
// UTF-16); they are plain ASCII, so a byte per character is exact.
const std::string& appExeName() {
    static const std::string name(std::begin(product::kAppExe), std::end(product::kAppExe) - 1);
    return name;
}

const std::string& uninstallerName() {
    static const std::string name(std::begin(product::kUninstallerExe), std::end(product::kUninstallerExe) - 1);
    return name;
}

std::vector<SourceFile> collectAppFiles(const fs::path& folder, const FolderOverrides& overrides,
                                        std::ostream& warnings) {
    std::vector<SourceFile> files = scanFolder(folder);
    if (overrides.appExe) overrideFile(files, appExeName(), *overrides.appExe, folder, warnings);
    if (overrides.uninstaller) overrideFile(files, uninstallerName(), *overrides.uninstaller, folder, warnings);
    requireTopFile(files, appExeName(), folder, "--app-exe");
    requireTopFile(files, uninstallerName(), folder, "--replace-uninstaller");
    sortInPayloadOrder(files);
    refuseClashes(files);
    return files;
}

std::string printablePath(const std::string& path) {
    const bool plain = payload_path::isValidUtf8(path) &&
                       std::none_of(path.begin(), path.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
    if (plain) return path;
    std::string shown;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x80) {
            shown += c;
        } else {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            shown += escaped;
        }
    }
    return shown;
}

}  // namespace packer
