// Progress on a terminal: shown on standard error only when it is a terminal,
// so pipes and files stay clean.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

namespace cli {

bool stderr_is_terminal();

/// A count of done items, redrawn at most ten times a second.
class Progress {
public:
    Progress(std::string label, std::int64_t total);
    ~Progress();
    void update(std::int64_t done);

private:
    std::string label_;
    std::int64_t total_;
    bool enabled_, shown_ = false;
    std::chrono::steady_clock::time_point last_;
};

/// Elapsed time of one long call that reports nothing while it runs.
class Spinner {
public:
    explicit Spinner(std::string label);
    ~Spinner();
    void stop();

private:
    std::string label_;
    std::atomic<bool> running_{false};
    std::thread thread_;
};

}  // namespace cli
