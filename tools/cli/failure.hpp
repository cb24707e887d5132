// How the tool fails: one exception type carrying the exit code and the text
// for standard error. Exit codes: a library status (2..45) as returned by the
// library, 1 for the tool's own failures (bad input rows, unwritable output,
// a missing export), 64 for a bad command line.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace cli {

inline constexpr int kExitToolFailure = 1;
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

/// A Failure for a library status: exit code = status, text "what: status N: message".
Failure status_failure(const std::string& what, std::int32_t code);

}  // namespace cli
