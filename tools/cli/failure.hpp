// How the tool fails: one exception type carrying the exit code and the text
// for standard error. The exit codes are the tool's own, a fixed small set
// that never overlaps the library's status numbers (2..45), which the message
// names instead: 1 the tool's own failures (bad input rows, unreadable or
// truncated files, unwritable output, a missing export), 3 the library
// reported a non-zero status, 64 a bad command line.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace cli {

inline constexpr int kExitToolFailure = 1;
inline constexpr int kExitLibraryStatus = 3;
inline constexpr int kExitUsage = 64;

class Failure : public std::runtime_error {
public:
    Failure(int exit_code, const std::string& text) : std::runtime_error(text), exit_code_(exit_code) {}
    int exit_code() const { return exit_code_; }

private:
    int exit_code_;
};

/// The library's message of a status code, blanks trimmed.
std::string status_message(std::int32_t code);

/// What to do about a library status, one line; empty where nothing helps.
std::string status_hint(std::int32_t code);

/// A Failure for a library status: exit code kExitLibraryStatus, text
/// "what: status N: message" and the hint on a line of its own.
Failure status_failure(const std::string& what, std::int32_t code);

}  // namespace cli
