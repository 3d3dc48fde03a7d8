#include "arguments.h"

#include "packer.h"

#include <charconv>

namespace packer {

std::optional<std::string> Arguments::takeValue(std::string_view name) {
    std::optional<std::string> value;
    for (std::size_t i = 0; i < args_.size();) {
        const std::string& arg = args_[i];
        if (arg == name) {
            if (i + 1 == args_.size()) throw UsageError(std::string(name) + " needs a value");
            value = args_[i + 1];
            args_.erase(args_.begin() + std::ptrdiff_t(i), args_.begin() + std::ptrdiff_t(i + 2));
        } else if (arg.size() > name.size() && arg.starts_with(name) && arg[name.size()] == '=') {
            value = arg.substr(name.size() + 1);
            args_.erase(args_.begin() + std::ptrdiff_t(i));
        } else {
            ++i;
        }
    }
    return value;
}

bool Arguments::takeFlag(std::string_view name) {
    const auto removed = std::erase(args_, std::string(name));
    return removed != 0;
}

std::vector<std::string> Arguments::positionals(std::size_t count) {
    for (const std::string& arg : args_) {
        if (arg.size() > 1 && arg[0] == '-') throw UsageError("unknown option '" + arg + "'");
    }
    if (args_.size() < count) throw UsageError("missing argument");
    if (args_.size() > count) throw UsageError("unexpected argument '" + args_[count] + "'");
    return args_;
}

std::uint64_t parseNumber(const std::string& text, std::string_view what, std::uint64_t minimum,
                          std::uint64_t maximum) {
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, status] = std::from_chars(text.data(), end, value);
    const bool whole = status == std::errc() && stop == end && !text.empty();
    if (!whole || value < minimum || value > maximum) {
        throw UsageError(std::string(what) + " must be a whole number from " + std::to_string(minimum) + " to " +
                         std::to_string(maximum) + ", not '" + text + "'");
    }
    return value;
}

}  // namespace packer
