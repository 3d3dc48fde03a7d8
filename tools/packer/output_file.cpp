#include "output_file.h"

#include "packer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace packer {
namespace {

// mkstemp creates the file 0600; a payload is an ordinary build output, so
// give it the mode a plain open() would have (0666 less the umask).
mode_t ordinaryFileMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

}  // namespace

OutputFile::OutputFile(std::filesystem::path target) : target_(std::move(target)) {
    std::string pattern = target_.string() + ".tmp-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    fd_ = mkstemp(name.data());
    if (fd_ < 0) {
        throw Error("cannot write '" + target_.string() + "': " + std::strerror(errno));
    }
    temporary_ = name.data();
    fchmod(fd_, ordinaryFileMode());
}

OutputFile::~OutputFile() {
    if (fd_ >= 0) close(fd_);
    if (!committed_) unlink(temporary_.c_str());
}

void OutputFile::fail(const char* what) const {
    throw Error(std::string("cannot ") + what + " '" + target_.string() + "': " + std::strerror(errno));
}

void OutputFile::write(std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) fail("write");
        bytes = bytes.subspan(std::size_t(written));
    }
}

void OutputFile::writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::pwrite(fd_, bytes.data(), bytes.size(), off_t(offset));
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) fail("write");
        bytes = bytes.subspan(std::size_t(written));
        offset += std::uint64_t(written);
    }
}

void OutputFile::commit() {
    if (fsync(fd_) != 0) fail("write");
    if (close(fd_) != 0) {
        fd_ = -1;
        fail("write");
    }
    fd_ = -1;
    if (std::rename(temporary_.c_str(), target_.c_str()) != 0) fail("replace");
    committed_ = true;
}

}  // namespace packer
