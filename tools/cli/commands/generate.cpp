#include <fmt/format.h>

#include <CLI/CLI.hpp>
#include <chrono>
#include <memory>
#include <optional>

#include "commands/commands.hpp"
#include "failure.hpp"
#include "library.hpp"
#include "progress.hpp"
#include "seabed_file.hpp"
#include "size_guard.hpp"

namespace cli {
namespace {

void generate(const Library& lib, const std::string& path, bool force) {
    auto gen = SEABED_OP(lib, seabed_generate);
    // Generation removes duplicate 3D nodes: the input count is only known before.
    std::int32_t n_before = -1;
    std::optional<SeabedFile> input;
    try {
        input = read_seabed_file(path);
        n_before = input->n;
    } catch (const Failure&) {
        // the library reports the reason below
    }
    if (input) check_generation_size(*input, force);
    std::int32_t status = -1, duplicates = -1;
    auto start = std::chrono::steady_clock::now();
    {
        Spinner spin("generating " + path);
        gen(static_cast<std::int32_t>(path.size()), path.data(), &status, &duplicates);
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (status != 0) throw status_failure("generate " + path, status);
    SeabedFile f = read_seabed_file(path);
    fmt::print("generated {}: {}\n", path, f.type_name());
    fmt::print("  status      {} (success){}\n", status, f.message.empty() ? "" : ": " + f.message);
    if (f.is_3d()) {
        fmt::print("  nodes       {} (input {}; duplicates removed: {})\n", f.n, n_before, duplicates ? "yes" : "no");
        fmt::print("  triangles   {} (neighbour list entries {})\n", f.nt, f.nadj);
        fmt::print("  sub-nodes   {} at spacing {} ({} sub-node triangles)\n", f.ns, f.spacing, f.nst);
    } else {
        fmt::print("  nodes       {}\n", f.n);
        fmt::print("  samples     {} per sampled profile (spline and Bessel slopes)\n", f.m);
    }
    fmt::print("  time        {:.3f} s\n", seconds);
}

}  // namespace

Command add_generate(CLI::App& app) {
    auto o = std::make_shared<GenerateOptions>();
    auto* sub = app.add_subcommand("generate", "build the seabed in an input file (seabed_generate)");
    sub->add_option("FILE", o->file, "seabed file")->required();
    sub->add_flag("--force", o->force, "generate even when the 3D spacing asks for more than 5e7 sub-nodes");
    return {sub, [o](const std::string& library) { generate(Library(library_path(library)), o->file, o->force); }};
}

}  // namespace cli
