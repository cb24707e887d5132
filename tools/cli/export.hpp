// Seabed contents as mesh and table files. Meshes place the horizontal plane
// flat and the elevation up: point (Y, Z, X) of the seabed becomes (x, y, z)
// of the file, and normals are reordered the same way.
#pragma once

#include <string>

#include "seabed_file.hpp"

namespace cli {

/// The text of what ("nodes", "subnodes", "triangles", "subtriangles",
/// "spline", "bessel") in format ("vtk", "obj", "ply", "csv"). Throws Failure
/// for a combination the file cannot give.
std::string export_text(const SeabedFile& f, const std::string& what, const std::string& format);

}  // namespace cli
