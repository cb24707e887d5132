#include "size_guard.hpp"

#include <algorithm>
#include <cmath>
#include <string>

#include <fmt/format.h>

#include "failure.hpp"

namespace cli {
namespace {

// A sub-node, its normal and about two sub-node triangles: 12 values in the file.
constexpr double kBytesPerSubnode = 48;

/// Grid points per axis as the library counts them: floor(r / s) + 1 in
/// float, at least 2; infinite when that is no number.
double axis_points(float r, float s) {
    const float q = std::floor(r / s);
    return q >= 0.0f && std::isfinite(q) ? std::max(double{q} + 1.0, 2.0) : HUGE_VAL;
}

float round3(double v) { return std::stof(fmt::format("{:.3g}", v)); }

}  // namespace

SizeEstimate estimate_generation(const std::vector<float>& nodes, float spacing, double limit) {
    SizeEstimate e;
    if (nodes.size() < 3) return e;
    float lo[2] = {INFINITY, INFINITY}, hi[2] = {-INFINITY, -INFINITY};
    for (std::size_t i = 0; i + 2 < nodes.size(); i += 3)
        for (int a = 0; a < 2; ++a) {
            lo[a] = std::fmin(lo[a], nodes[i + 1 + a]);
            hi[a] = std::fmax(hi[a], nodes[i + 1 + a]);
        }
    const float ry = hi[0] - lo[0], rz = hi[1] - lo[1];
    const auto points = [&](float s) { return axis_points(ry, s) * axis_points(rz, s); };
    e.subnodes = points(spacing);
    e.file_bytes = 4.0 * 19.0 * static_cast<double>(nodes.size() / 3) + kBytesPerSubnode * e.subnodes;
    double fit = std::sqrt(std::max(double{ry}, 1e-30) * std::max(double{rz}, 1e-30) / limit);
    while (points(round3(fit)) > limit) fit *= 1.001;
    e.fitting_spacing = round3(fit);
    return e;
}

void check_generation_size(const SeabedFile& input, bool force, double limit) {
    if (!input.is_3d() || force) return;
    const SizeEstimate e = estimate_generation(input.nodes, input.spacing, limit);
    if (!(e.subnodes > limit)) return;
    throw Failure(kExitToolFailure,
                  fmt::format("{}: spacing {} asks for about {:.3g} sub-nodes and a {:.3g} GB file, over the limit "
                              "of {:.3g}; spacing {} would fit (or generate with --force)",
                              input.path, input.spacing, e.subnodes, e.file_bytes / 1e9, limit, e.fitting_spacing));
}

}  // namespace cli
