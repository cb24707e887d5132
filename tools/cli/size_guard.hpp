// Before a 3D generation starts: how many sub-nodes and file bytes its spacing
// asks for, and a refusal (unless forced) above a limit that names a spacing
// that fits. A small spacing over a wide survey otherwise runs for minutes and
// gigabytes before anyone is warned.
#pragma once

#include <vector>

#include "seabed_file.hpp"

namespace cli {

inline constexpr double kSubnodeLimit = 5e7;

struct SizeEstimate {
    double subnodes = 0;      // grid points over the nodes' (Y, Z) box: an upper bound
    double file_bytes = 0;    // the generated file, about
    float fitting_spacing = 0;  // the smallest spacing (3 significant digits) within the limit
};

/// nodes: X, Y, Z of every node, node after node.
SizeEstimate estimate_generation(const std::vector<float>& nodes, float spacing, double limit = kSubnodeLimit);

/// Throws Failure for a 3D input over the limit unless force; 2D inputs pass.
void check_generation_size(const SeabedFile& input, bool force, double limit = kSubnodeLimit);

}  // namespace cli
