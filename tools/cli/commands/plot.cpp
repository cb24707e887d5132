#include <fmt/format.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "commands/commands.hpp"
#include "failure.hpp"
#include "library.hpp"
#include "paths.hpp"
#include "seabed_file.hpp"

namespace cli {
namespace {

[[noreturn]] void plot(const std::string& library, const PlotOptions& o) {
    std::string suffix = lower_suffix(o.output);
    if (suffix != "png" && suffix != "svg")
        throw Failure(kExitUsage, "plot writes .png or .svg files, not " + o.output);
    require_folder(o.output);
    require_generated(read_seabed_file(o.file));  // missing or foreign files fail here with the library's status
    // Pictures are drawn by the Python package with matplotlib, through the same library.
    std::string pythonpath = python_dir();
    if (const char* old = std::getenv("PYTHONPATH"); old && *old) pythonpath += std::string(":") + old;
    setenv("PYTHONPATH", pythonpath.c_str(), 1);
    setenv("SEABED_LIBRARY", library.c_str(), 1);
    const char* python = std::getenv("SEABED_PYTHON");
    if (!python || !*python) python = "/usr/bin/python3";
    std::vector<std::string> args = {python, "-m", "seabed", "plot", "--output=" + o.output, "--units=" + o.units};
    // One argument each, "--name=value": a value starting with '-' (a negative
    // coordinate, a title) is then never read as an option.
    if (!o.transect.empty()) args.push_back("--transect=" + o.transect);
    if (!o.title.empty()) args.push_back("--title=" + o.title);
    args.insert(args.end(), {"--", o.file});
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::fflush(stdout);
    execv(python, argv.data());
    throw Failure(kExitToolFailure, fmt::format("plot needs {} with numpy and matplotlib (bash scripts/setup.sh): {}",
                                                python, std::strerror(errno)));
}

}  // namespace

Command add_plot(CLI::App& app) {
    auto o = std::make_shared<PlotOptions>();
    auto* sub = app.add_subcommand("plot", "draw a 2D profile, a 3D map or a 3D transect (PNG or SVG; uses Python)");
    sub->add_option("FILE", o->file, "generated seabed file")->required();
    sub->add_option("-o,--output", o->output, "picture to write: .png or .svg")->required();
    sub->add_option("--transect", o->transect, "3D: Y0,Z0,Y1,Z1 draws the elevation along this line");
    sub->add_option("--units", o->units, "unit of the coordinates, for the labels (default m)");
    sub->add_option("--title", o->title, "title of the picture");
    // The library is not loaded here: the Python package loads it itself.
    return {sub, [o](const std::string& library) { plot(library_path(library), *o); }};
}

}  // namespace cli
