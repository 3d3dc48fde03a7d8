#include "common/core/paths.h"

namespace {

bool isSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

std::wstring::size_type lastSeparator(const std::wstring& path) {
    return path.find_last_of(L"\\/");
}

}  // namespace

std::wstring joinPath(const std::wstring& a, const std::wstring& b) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    std::wstring joined = a;
    if (!isSeparator(a.back())) joined += L'\\';
    joined += b;
    return joined;
}

std::wstring parentPath(const std::wstring& path) {
    const auto separator = lastSeparator(path);
    return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator);
}

std::wstring fileName(const std::wstring& path) {
    const auto separator = lastSeparator(path);
    return separator == std::wstring::npos ? path : path.substr(separator + 1);
}
