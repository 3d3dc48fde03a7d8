// The payload path rule (see payload_path.h).
#include "payload/core/payload_path.h"

#include "common/core/product.h"

#include <array>
#include <algorithm>
#include <vector>

namespace payload_path {
namespace {

constexpr char kSeparator = '/';

bool isAsciiControl(unsigned char c) {
    return c < 0x20;
}

// Characters the Win32 file APIs refuse in a name (wildcards, redirection).
bool isForbiddenInName(char c) {
    constexpr std::string_view kForbidden = "<>\"|?*";
    return kForbidden.find(c) != std::string_view::npos;
}

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    }
    return true;
}

// COM1-9 and LPT1-9 take the superscript digits too: Windows reserves
// "COM¹" just like "COM1".
bool isPortNumber(std::string_view digit) {
    constexpr std::array<std::string_view, 3> kSuperscripts = {"\xC2\xB9", "\xC2\xB2", "\xC2\xB3"};
    if (digit.size() == 1) return digit[0] >= '1' && digit[0] <= '9';
    for (std::string_view superscript : kSuperscripts) {
        if (digit == superscript) return true;
    }
    return false;
}

// Windows opens a device instead of a file for these names, with or without
// an extension ("nul.txt" is the null device too) and with spaces before the
// extension ("CON .txt").
bool isDeviceName(std::string_view component) {
    std::string_view base = component.substr(0, component.find('.'));
    while (!base.empty() && base.back() == ' ') base.remove_suffix(1);

    constexpr std::array<std::string_view, 6> kDevices = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (std::string_view device : kDevices) {
        if (equalsIgnoringAsciiCase(base, device)) return true;
    }
    if (base.size() < 4) return false;
    const std::string_view prefix = base.substr(0, 3);
    const bool isPort = equalsIgnoringAsciiCase(prefix, "COM") || equalsIgnoringAsciiCase(prefix, "LPT");
    return isPort && isPortNumber(base.substr(3));
}

bool equalsAsciiNameIgnoringCase(std::string_view component, std::wstring_view name) {
    if (component.size() != name.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (lowerAscii(component[i]) != lowerAscii(static_cast<char>(name[i]))) return false;
    }
    return true;
}

// The install manifest and the name it is written under before it replaces
// the old one, in any letter case. Both names are ASCII.
bool isManifestName(std::string_view component) {
    return equalsAsciiNameIgnoringCase(component, product::kManifestFile) ||
           equalsAsciiNameIgnoringCase(component, product::kManifestNewFile);
}

Fault checkCharacters(std::string_view path) {
    for (char c : path) {
        if (c == '\\') return Fault::Backslash;
        if (c == ':') return Fault::Colon;
        if (isAsciiControl(static_cast<unsigned char>(c))) return Fault::ControlCharacter;
        if (isForbiddenInName(c)) return Fault::ForbiddenCharacter;
    }
    return Fault::None;
}

Fault checkComponent(std::string_view component) {
    if (component.empty()) return Fault::EmptyComponent;
    if (component.back() == '.' || component.back() == ' ') return Fault::TrailingDotOrSpace;
    if (isDeviceName(component)) return Fault::DeviceName;
    return Fault::None;
}

// Number of bytes of the UTF-8 sequence that `lead` starts, 0 if it cannot
// start one.
std::size_t sequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

// The allowed range of the second byte, which rules out overlong forms,
// UTF-16 surrogates and code points above U+10FFFF.
bool secondByteFits(unsigned char lead, unsigned char second) {
    switch (lead) {
    case 0xE0: return second >= 0xA0 && second <= 0xBF;
    case 0xED: return second >= 0x80 && second <= 0x9F;
    case 0xF0: return second >= 0x90 && second <= 0xBF;
    case 0xF4: return second >= 0x80 && second <= 0x8F;
    default: return second >= 0x80 && second <= 0xBF;
    }
}

bool isContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

}  // namespace

bool isValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = sequenceLength(lead);
        if (length == 0) return false;
        // Does the whole sequence fit in what is left?
        if (length > text.size() - i) return false;
        if (length > 1 && !secondByteFits(lead, static_cast<unsigned char>(text[i + 1]))) return false;
        for (std::size_t k = 2; k < length; ++k) {
            if (!isContinuation(static_cast<unsigned char>(text[i + k]))) return false;
        }
        i += length;
    }
    return true;
}

Fault check(std::string_view path) {
    if (path.empty()) return Fault::Empty;
    if (path.front() == '/' || path.front() == '\\') return Fault::Absolute;
    // The manifest reads a line starting with '#' as a comment and one
    // starting with '@' as a shortcut's absolute path.
    if (path.front() == '#' || path.front() == '@') return Fault::ManifestLineMark;
    if (!isValidUtf8(path)) return Fault::InvalidUtf8;
    if (const Fault fault = checkCharacters(path); fault != Fault::None) return fault;
    if (path.find("..") != std::string_view::npos) return Fault::DotDot;

    std::size_t start = 0;
    while (true) {
        const std::size_t end = path.find(kSeparator, start);
        const std::string_view component = path.substr(start, end == std::string_view::npos ? path.npos : end - start);
        if (const Fault fault = checkComponent(component); fault != Fault::None) return fault;
        if (start == 0 && isManifestName(component)) return Fault::ManifestName;
        if (end == std::string_view::npos) return Fault::None;
        start = end + 1;
    }
}

const char* describe(Fault fault) {
    switch (fault) {
    case Fault::None: return "is acceptable";
    case Fault::Empty: return "is empty";
    case Fault::Absolute: return "starts with a separator";
    case Fault::Backslash: return "contains '\\'";
    case Fault::Colon: return "contains ':'";
    case Fault::DotDot: return "contains '..'";
    case Fault::EmptyComponent: return "has an empty component";
    case Fault::InvalidUtf8: return "is not valid UTF-8";
    case Fault::ControlCharacter: return "contains a control character";
    case Fault::ForbiddenCharacter: return "contains one of < > \" | ? *";
    case Fault::TrailingDotOrSpace: return "has a name ending in '.' or ' ', which Windows strips";
    case Fault::DeviceName: return "has a name that Windows reserves for a device (CON, NUL, COM1, ...)";
    case Fault::ManifestLineMark:
        return "starts with '#' or '@', which the install manifest would read back as a comment or a shortcut";
    case Fault::ManifestName:
        return "is named like the install manifest (install-manifest.txt or install-manifest.txt.new) at the top";
    }
    return "breaks the path rule";
}

std::string foldCase(std::string_view path) {
    std::string folded(path);
    for (char& c : folded) c = lowerAscii(c);
    return folded;
}

namespace {

// One name a path puts on the disk: the file itself, or one of its folders.
// `step` orders the names of one path as findClash looks at them: the file
// first, then its folders from the outermost in.
struct DiskName {
    std::string folded;
    std::size_t path = 0;
    std::size_t step = 0;
    bool isFile() const { return step == 0; }
};

std::vector<DiskName> diskNames(std::span<const std::string_view> paths) {
    std::vector<DiskName> names;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const std::string folded = foldCase(paths[i]);
        names.push_back({folded, i, 0});
        std::size_t step = 1;
        for (std::size_t slash = folded.find(kSeparator); slash != std::string::npos;
             slash = folded.find(kSeparator, slash + 1)) {
            names.push_back({folded.substr(0, slash), i, step++});
        }
    }
    return names;
}

// Whether two names come in that order: by key, then in the order the paths
// put them on the disk.
bool diskOrder(const DiskName& a, const DiskName& b) {
    if (a.folded != b.folded) return a.folded < b.folded;
    return a.path != b.path ? a.path < b.path : a.step < b.step;
}

struct FoundClash {
    Clash clash;
    std::size_t path = 0;  // when it shows, in the order the paths are taken
    std::size_t step = 0;
};

// The first clash among names of one key, which come in disk order: a second
// file, or a file where another path already needs a folder, or the reverse.
std::optional<FoundClash> clashAmong(std::span<const DiskName> sameKey) {
    const DiskName* file = nullptr;
    const DiskName* folder = nullptr;
    for (const DiskName& name : sameKey) {
        if (name.isFile() && file) return FoundClash{{ClashKind::SameFile, file->path, name.path}, name.path, 0};
        if (name.isFile() && folder) return FoundClash{{ClashKind::FileIsFolder, name.path, folder->path}, name.path, 0};
        if (!name.isFile() && file) {
            return FoundClash{{ClashKind::FileIsFolder, file->path, name.path}, name.path, name.step};
        }
        if (name.isFile()) file = &name;
        if (!name.isFile() && !folder) folder = &name;
    }
    return std::nullopt;
}

}  // namespace

// The names are sorted by key, so that each key's names stand together; of
// the clashes found among them, the first in path order is the answer.
std::optional<Clash> findClash(std::span<const std::string_view> paths) {
    std::vector<DiskName> names = diskNames(paths);
    std::sort(names.begin(), names.end(), diskOrder);
    std::optional<FoundClash> first;
    for (std::size_t start = 0; start < names.size();) {
        std::size_t end = start + 1;
        while (end < names.size() && names[end].folded == names[start].folded) ++end;
        const auto found = clashAmong(std::span(names).subspan(start, end - start));
        const auto earlier = [&](const FoundClash& a) {
            return !first || a.path < first->path || (a.path == first->path && a.step < first->step);
        };
        if (found && earlier(*found)) first = found;
        start = end;
    }
    if (!first) return std::nullopt;
    return first->clash;
}

}  // namespace payload_path
