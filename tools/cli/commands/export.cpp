#include <fmt/format.h>

#include <CLI/CLI.hpp>
#include <cmath>
#include <limits>
#include <memory>

#include "commands/commands.hpp"
#include "export.hpp"
#include "failure.hpp"
#include "grids.hpp"
#include "library.hpp"
#include "loaded_seabed.hpp"
#include "progress.hpp"
#include "paths.hpp"
#include "seabed_file.hpp"

namespace cli {
namespace {

/// The surface sampled at cell centres of a north-up raster covering the
/// nodes; NaN where the library answers outside the seabed.
void export_grid(const Library& lib, const ExportOptions& o) {
    if (!is_grid_path(o.grid)) throw Failure(kExitUsage, "--grid writes .tif, .nc or .asc files, not " + o.grid);
    if (!(o.cell > 0.0 && std::isfinite(o.cell))) throw Failure(kExitUsage, "--grid needs --cell S with S > 0");
    require_folder(o.grid);
    require_grids(o.grid);  // before the sampling, which may take minutes
    SeabedFile f = read_seabed_file(o.file);
    require_generated(f);
    if (!f.is_3d()) throw Failure(kExitUsage, o.file + " holds a 2D profile: only a 3D surface makes a grid");
    const auto off = f.offset();
    double ylo = INFINITY, yhi = -INFINITY, zlo = INFINITY, zhi = -INFINITY;
    for (std::size_t i = 0; i + 2 < f.nodes.size(); i += 3) {
        double y = static_cast<double>(f.nodes[i + 1]) + off[0], z = static_cast<double>(f.nodes[i + 2]) + off[1];
        ylo = std::min(ylo, y), yhi = std::max(yhi, y);
        zlo = std::min(zlo, z), zhi = std::max(zhi, z);
    }
    Grid g;
    g.cell = o.cell;
    g.crs = f.crs();
    g.left = std::floor(ylo / o.cell) * o.cell;
    g.top = std::ceil(zhi / o.cell) * o.cell;
    double w = std::ceil((yhi - g.left) / o.cell), h = std::ceil((g.top - zlo) / o.cell);
    if (w * h > 2e8) throw Failure(kExitUsage, fmt::format("a {:g} x {:g} grid is too large: give a larger --cell", w, h));
    g.width = std::max(1, static_cast<int>(w)), g.height = std::max(1, static_cast<int>(h));
    LoadedSeabed3D::Exports exports(lib);
    auto linear = SEABED_OP(lib, interpolate_3d_linear);
    auto cubic = SEABED_OP(lib, interpolate_3d_cubic);
    bool use_linear = o.method == "linear";
    LoadedSeabed3D seabed(exports, o.file, use_linear ? SEABED_3D_LINEAR : SEABED_3D_CUBIC);
    const auto* xyz = values<float>(seabed->nodes);
    const auto* gradients = values<float>(seabed->gradients);
    const auto* adj = values<std::int32_t>(seabed->iadj);
    const auto* first = values<std::int32_t>(seabed->istart);
    std::int32_t n = seabed->n, nadj = seabed->nadj, start = 0;
    g.values.resize(static_cast<std::size_t>(g.width) * static_cast<std::size_t>(g.height));
    Progress progress("sampling " + o.grid, g.height);
    for (int r = 0; r < g.height; ++r) {
        for (int c = 0; c < g.width; ++c) {
            double y = g.left + (c + 0.5) * g.cell - off[0], z = g.top - (r + 0.5) * g.cell - off[1], x = 0.0;
            double normal[3];
            std::int32_t st = 0;
            if (use_linear)
                linear(&y, &z, &n, &nadj, xyz, adj, first, &x, normal, &start, &st);
            else
                cubic(&y, &z, &n, &nadj, xyz, adj, first, gradients, &x, normal, &start, &st);
            bool outside = st != 0 || !(x > -static_cast<double>(std::numeric_limits<float>::max()));
            g.values[static_cast<std::size_t>(r) * static_cast<std::size_t>(g.width) + static_cast<std::size_t>(c)] =
                outside ? std::nan("") : x;
        }
        progress.update(r + 1);
    }
    write_grid(o.grid, g);
    fmt::print("wrote {}: {} x {} cells of {:g}, {} surface{}\n", o.grid, g.width, g.height, g.cell,
               use_linear ? "linear" : "cubic", g.crs.empty() ? "" : ", " + g.crs);
}

void export_file(const ExportOptions& o) {
    std::string format = lower_suffix(o.output);
    if (format != "vtk" && format != "obj" && format != "ply" && format != "csv")
        throw Failure(kExitUsage, "export writes .vtk, .obj, .ply or .csv files, not " + o.output);
    require_folder(o.output);
    SeabedFile f = read_seabed_file(o.file);
    Spinner spin("writing " + o.output);
    if (o.binary && format != "vtk") throw Failure(kExitUsage, "--binary writes .vtk files only, not " + o.output);
    std::string text = export_text(f, o.what, o.binary ? "vtk-binary" : format);
    spin.stop();
    write_atomically(o.output, text);
    fmt::print("wrote {} ({} of {}, {} bytes)\n", o.output, o.what, o.file, text.size());
}

}  // namespace

Command add_export(CLI::App& app) {
    auto o = std::make_shared<ExportOptions>();
    auto* sub = app.add_subcommand("export", "write nodes, triangles or the sub-node surface as VTK, OBJ, PLY or CSV");
    sub->add_option("FILE", o->file, "generated seabed file")->required();
    auto* out = sub->add_option_group("output");
    out->add_option("-o,--output", o->output, "file to write: .vtk, .obj, .ply or .csv");
    out->add_option("--grid", o->grid, "a raster of the surface instead: .tif, .nc or .asc (needs GDAL), NaN outside");
    out->require_option(1);
    sub->add_flag("--binary", o->binary, ".vtk: binary instead of text (smaller and faster for large surfaces)");
    sub->add_option("--cell", o->cell, "--grid: cell size, in the units of Y and Z");
    sub->add_option("--method", o->method, "--grid: cubic (default) or linear surface")
        ->check(CLI::IsMember({"cubic", "linear"}));
    sub->add_option("--what", o->what,
                    "3D: nodes (with triangles), subnodes (with sub-node triangles), triangles, "
                    "subtriangles; 2D: nodes, spline, bessel")
        ->check(CLI::IsMember({"nodes", "triangles", "subnodes", "subtriangles", "spline", "bessel"}));
    return {sub, [o](const std::string& library) {
                if (o->grid.empty())
                    export_file(*o);
                else
                    export_grid(Library(library_path(library)), *o);
            }};
}

}  // namespace cli
