#include <fmt/format.h>

#include <CLI/CLI.hpp>
#include <memory>

#include "commands/commands.hpp"
#include "failure.hpp"
#include "library.hpp"
#include "paths.hpp"
#include "seabed_file.hpp"

namespace cli {
namespace {

void create_test(const Library& lib, const CreateTestOptions& o) {
    require_folder(o.file);
    auto create = SEABED_OP(lib, seabed_create_test_file);
    create(static_cast<std::int32_t>(o.file.size()), o.file.data(), o.three_d ? SEABED_TYPE_3D : SEABED_TYPE_2D);
    SeabedFile f;
    try {
        f = read_seabed_file(o.file);
    } catch (const Failure&) {
        // The export has no status: a missing or foreign file is all we learn.
        throw Failure(kExitToolFailure, "seabed_create_test_file wrote no seabed file at " + o.file);
    }
    fmt::print("wrote {}: {} test input, {} nodes, spacing {}\n", o.file, f.type_name(), f.n, f.spacing);
}

}  // namespace

Command add_create_test(CLI::App& app) {
    auto o = std::make_shared<CreateTestOptions>();
    auto* sub = app.add_subcommand("create-test", "write a test seabed input file (seabed_create_test_file)");
    sub->add_option("FILE", o->file, "seabed file to write")->required();
    add_dimension_flags(sub, o->two_d, o->three_d, "the fixed four-point profile", "random 3D nodes");
    return {sub, [o](const std::string& library) { create_test(Library(library_path(library)), *o); }};
}

}  // namespace cli
