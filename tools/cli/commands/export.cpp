#include <fmt/format.h>

#include <CLI/CLI.hpp>
#include <memory>

#include "commands/commands.hpp"
#include "export.hpp"
#include "failure.hpp"
#include "paths.hpp"
#include "seabed_file.hpp"

namespace cli {
namespace {

void export_file(const ExportOptions& o) {
    std::string format = lower_suffix(o.output);
    if (format != "vtk" && format != "obj" && format != "ply" && format != "csv")
        throw Failure(kExitUsage, "export writes .vtk, .obj, .ply or .csv files, not " + o.output);
    require_folder(o.output);
    SeabedFile f = read_seabed_file(o.file);
    std::string text = export_text(f, o.what, format);
    write_atomically(o.output, text);
    fmt::print("wrote {} ({} of {}, {} bytes)\n", o.output, o.what, o.file, text.size());
}

}  // namespace

Command add_export(CLI::App& app) {
    auto o = std::make_shared<ExportOptions>();
    auto* sub = app.add_subcommand("export", "write nodes, triangles or the sub-node surface as VTK, OBJ, PLY or CSV");
    sub->add_option("FILE", o->file, "generated seabed file")->required();
    sub->add_option("-o,--output", o->output, "file to write: .vtk, .obj, .ply or .csv")->required();
    sub->add_option("--what", o->what,
                    "3D: nodes (with triangles), subnodes (with sub-node triangles), triangles, "
                    "subtriangles; 2D: nodes, spline, bessel")
        ->check(CLI::IsMember({"nodes", "triangles", "subnodes", "subtriangles", "spline", "bessel"}));
    return {sub, [o](const std::string&) { export_file(*o); }};
}

}  // namespace cli
