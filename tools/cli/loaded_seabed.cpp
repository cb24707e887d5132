#include "loaded_seabed.hpp"

namespace cli {

std::int32_t Seabed2DArrays::load_with(Load* load, const std::string& path, std::int32_t type) {
    std::int32_t len = static_cast<std::int32_t>(path.size()), unit = kUnit, status = -1;
    std::int64_t memory = 0;
    load(&len, path.data(), &unit, &type, &n, &profile, &slopes, &memory, &status);
    return status;
}

std::int32_t Seabed3DArrays::load_with(Load* load, const std::string& path, std::int32_t type) {
    std::int32_t len = static_cast<std::int32_t>(path.size()), unit = kUnit, status = -1;
    std::int64_t memory = 0;
    load(&len, path.data(), &unit, &type, &n, &nt, &nadj, &nodes, &gradients, &iadj, &istart, &memory, &status);
    return status;
}

}  // namespace cli
