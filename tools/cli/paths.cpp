#include "paths.hpp"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "failure.hpp"

namespace cli {

namespace fs = std::filesystem;

std::string lower_suffix(const std::string& path) {
    std::string s = fs::path(path).extension().string();
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s.empty() ? s : s.substr(1);
}

void require_folder(const std::string& path) {
    fs::path p(path);
    fs::path dir = p.has_parent_path() ? p.parent_path() : fs::path(".");
    std::error_code ec;
    if (!fs::is_directory(dir, ec))
        throw Failure(kExitToolFailure, "cannot write " + path + ": folder " + dir.string() + " does not exist");
}

std::ifstream open_text(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw Failure(kExitToolFailure, "cannot read " + path + ": " + std::strerror(errno));
    return in;
}

}  // namespace cli
