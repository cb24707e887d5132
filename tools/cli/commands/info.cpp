#include <fmt/format.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <memory>

#include "commands/commands.hpp"
#include "failure.hpp"
#include "library.hpp"
#include "seabed_file.hpp"

namespace cli {
namespace {

/// Checks the file through the library's open export, so info refuses
/// exactly the files (missing, unreadable, foreign) the library refuses.
void open_checked(const Library& lib, const std::string& path) {
    auto open = SEABED_OP(lib, open_seabed_file);
    std::int32_t status = -1, unit = kUnit;
    open(static_cast<std::int32_t>(path.size()), path.data(), &unit, &status);
    if (status != 0) throw status_failure(path, status);
}

/// "[lo, hi]" of every stride-th value from at, or "none".
std::string fmt_range(const std::vector<float>& v, std::size_t stride, std::size_t at, double offset = 0.0) {
    if (v.size() <= at) return "none";
    float lo = v[at], hi = v[at];
    for (std::size_t i = at; i < v.size(); i += stride) {
        lo = std::min(lo, v[i]);
        hi = std::max(hi, v[i]);
    }
    if (offset != 0.0) return fmt::format("[{}, {}] (offset {} added)", static_cast<double>(lo) + offset,
                                              static_cast<double>(hi) + offset, offset);
    return fmt::format("[{}, {}]", lo, hi);
}

void info(const Library& lib, const std::string& path) {
    open_checked(lib, path);
    SeabedFile f = read_seabed_file(path);
    fmt::print("file        {} ({} bytes, {} records)\n", path, f.bytes, (f.bytes + 31) / 32);
    fmt::print("header      magic {:#010x}, {}\n", static_cast<std::uint32_t>(f.magic),
               f.stamped ? "stamp 1 8 4 2 7 2015 (completed by a generation)" : "no stamp (input not yet generated)");
    for (std::size_t r = 0; r < f.notes.size(); ++r)
        if (!f.notes[r].empty()) fmt::print("note {}      {}\n", r + 2, f.notes[r]);
    const auto off = f.offset();
    fmt::print("type        {} (record 8: type {})\n", f.type_name(), f.type);
    fmt::print("nodes       {}\n", f.n);
    if (f.is_3d()) fmt::print("spacing     {}\n", f.spacing);
    if (!f.status || (!f.stamped && *f.status == 0 && f.message.empty()))
        fmt::print("status      none yet (not generated)\n");
    else
        fmt::print("status      {}{}\n", *f.status,
                   f.message.empty() ? (*f.status == 0 ? " (success)" : "") : ": " + f.message);
    if (f.generated && f.is_2d()) fmt::print("counts      M = {} samples per sampled profile\n", f.m);
    if (f.generated && f.is_3d())
        fmt::print("counts      NT = {} triangles, NS = {} sub-nodes, NST = {} sub-node triangles, NADJ = {}\n", f.nt,
                   f.ns, f.nst, f.nadj);
    if (!f.nodes.empty()) {
        std::size_t c = static_cast<std::size_t>(f.components);
        if (f.is_3d())
            fmt::print("bounds      Y {}, Z {}\n", fmt_range(f.nodes, c, 1, off[0]), fmt_range(f.nodes, c, 2, off[1]));
        else
            fmt::print("bounds      Y {}\n", fmt_range(f.nodes, c, 1, off[0]));
        fmt::print("elevation   X {} (nodes)", fmt_range(f.nodes, c, 0));
        if (f.generated && f.is_3d() && !f.subnodes.empty())
            fmt::print(", {} (sub-nodes)", fmt_range(f.subnodes, 3, 0));
        fmt::print("\n");
    }
    for (const auto& p : f.problems) fmt::print("problem     {}\n", p);
    if (!f.problems.empty())
        throw Failure(kExitToolFailure, path + ": " + f.problems.front() + " (the file is damaged or cut short)");
}

}  // namespace

Command add_info(CLI::App& app) {
    auto o = std::make_shared<InfoOptions>();
    auto* sub = app.add_subcommand("info", "describe a seabed file");
    sub->add_option("FILE", o->file, "seabed file")->required();
    return {sub, [o](const std::string& library) { info(Library(library_path(library)), o->file); }};
}

}  // namespace cli
