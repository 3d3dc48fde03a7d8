// The packer's command layer: `packer COMMAND ARGS...`. Each command lives in
// its own file (pack_command.cpp, list_command.cpp, ...) and is registered
// in packer.cpp; main() only hands over argv and the two streams.
#pragma once

#include <iosfwd>
#include <span>
#include <stdexcept>
#include <string>

namespace packer {

// Where a command writes. `showProgress` is true when stderr is a terminal:
// progress bars are for people, never for build logs.
struct Console {
    std::ostream& out;
    std::ostream& err;
    bool showProgress = false;
};

// A failure the user can act on; its text is printed as "packer: TEXT".
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A command line the packer cannot make sense of; usage follows the message.
class UsageError : public Error {
public:
    using Error::Error;
};

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// Runs one packer command line (without the program name) and returns the
// exit code. Never throws for bad input: every failure becomes a message on
// console.err and a non-zero code.
int run(std::span<const std::string> args, Console& console);

// The commands. Each throws Error or UsageError on failure.
int packCommand(std::span<const std::string> args, Console& console);
int listCommand(std::span<const std::string> args, Console& console);
int verifyCommand(std::span<const std::string> args, Console& console);
int extractCommand(std::span<const std::string> args, Console& console);
int wingetCommand(std::span<const std::string> args, Console& console);
// For tests only (not in the usage text): a payload damaged in a way that
// still decodes. See damage_command.cpp.
int damageForTestCommand(std::span<const std::string> args, Console& console);

}  // namespace packer
