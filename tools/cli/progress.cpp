#include "progress.hpp"

#include <fmt/format.h>
#include <unistd.h>

#include <cstdio>

namespace cli {

bool stderr_is_terminal() {
    return isatty(STDERR_FILENO) == 1;
}

Progress::Progress(std::string label, std::int64_t total)
    : label_(std::move(label)),
      total_(total),
      enabled_(stderr_is_terminal()),
      last_(std::chrono::steady_clock::now()) {}

Progress::~Progress() {
    if (shown_) fmt::print(stderr, "\r\033[K");
}

void Progress::update(std::int64_t done) {
    if (!enabled_) return;
    auto now = std::chrono::steady_clock::now();
    if (now - last_ < std::chrono::milliseconds(100) && done < total_) return;
    last_ = now;
    shown_ = true;
    double pct = total_ > 0 ? 100.0 * static_cast<double>(done) / static_cast<double>(total_) : 100.0;
    fmt::print(stderr, "\r{}: {}/{} ({:.0f}%)", label_, done, total_, pct);
    std::fflush(stderr);
}

Spinner::Spinner(std::string label) : label_(std::move(label)) {
    if (!stderr_is_terminal()) return;
    running_ = true;
    thread_ = std::thread([this] {
        const char marks[] = {'|', '/', '-', '\\'};
        auto start = std::chrono::steady_clock::now();
        for (int k = 0; running_; ++k) {
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            if (!running_) break;
            double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            fmt::print(stderr, "\r{} {} {:.1f} s", marks[k % 4], label_, s);
            std::fflush(stderr);
        }
        fmt::print(stderr, "\r\033[K");
        std::fflush(stderr);
    });
}

void Spinner::stop() {
    if (!running_) return;
    running_ = false;
    thread_.join();
}

Spinner::~Spinner() {
    stop();
}

}  // namespace cli
