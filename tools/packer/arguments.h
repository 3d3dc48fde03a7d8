// A small command-line reader for the packer's commands: options are taken
// out by name ("--level 9" or "--level=9"), and what is left must be the
// positional arguments, so an unknown or misspelt option is an error rather
// than a file name.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace packer {

class Arguments {
public:
    explicit Arguments(std::span<const std::string> args) : args_(args.begin(), args.end()) {}

    // Removes "NAME VALUE" / "NAME=VALUE" (the last one wins) and returns VALUE.
    std::optional<std::string> takeValue(std::string_view name);
    // Removes every "NAME" and says whether there was one.
    bool takeFlag(std::string_view name);
    // What is left; throws UsageError for a leftover option or a count other
    // than `count`.
    std::vector<std::string> positionals(std::size_t count);

private:
    std::vector<std::string> args_;
};

// Parses a whole decimal number in [minimum, maximum]; `what` names it in the error.
std::uint64_t parseNumber(const std::string& text, std::string_view what, std::uint64_t minimum,
                          std::uint64_t maximum);

}  // namespace packer
