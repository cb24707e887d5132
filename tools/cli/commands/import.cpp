#include <fmt/format.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <numeric>

#include "commands/commands.hpp"
#include "failure.hpp"
#include "paths.hpp"
#include "seabed.h"
#include "seabed_file.hpp"

namespace cli {
namespace {

/// The columns to read: the defaults of each type where none were named.
ColumnChoice columns_of(const ImportOptions& o) {
    ColumnChoice choice = o.columns;
    if (choice.y.empty()) choice.y = "1";
    if (o.three_d && choice.z.empty()) choice.z = "2";
    if (!o.three_d) choice.z.clear();
    if (choice.elevation.empty()) choice.elevation = o.three_d ? "3" : "2";
    return choice;
}

/// The order the nodes are written in. The 2D generator refuses a profile
/// whose Y does not increase; refusing it here names the line.
std::vector<std::size_t> node_order(const ImportOptions& o, const Points& p) {
    std::vector<std::size_t> order(p.x.size());
    std::iota(order.begin(), order.end(), 0);
    if (o.three_d) return order;
    if (o.sort) std::stable_sort(order.begin(), order.end(), [&](auto a, auto b) { return p.y[a] < p.y[b]; });
    for (std::size_t k = 1; k < order.size(); ++k) {
        auto a = order[k - 1], b = order[k];
        if (!(p.y[b] > p.y[a]))
            throw Failure(kExitToolFailure,
                          fmt::format("{}:{}: Y {} does not increase from line {} (Y {}); a 2D profile needs "
                                      "strictly increasing Y{}",
                                      o.points, p.lines[b], p.y[b], p.lines[a], p.y[a],
                                      o.sort ? " (after sorting, two points share this Y)" : " (use --sort)"));
    }
    return order;
}

std::array<std::string, 6> notes_of(const ImportOptions& o, const Points& p, const ColumnChoice& choice) {
    std::array<std::string, 6> notes;
    if (!o.notes.empty()) {
        for (std::size_t r = 0; r < 6 && 32 * r < o.notes.size(); ++r) notes[r] = o.notes.substr(32 * r, 32);
    } else {
        notes[0] = "seabed import";
        notes[1] = std::filesystem::path(o.points).filename().string();
        notes[2] = fmt::format("{} points", p.x.size());
        if (choice.depth_positive_down) notes[3] = "elevation = -depth";
    }
    return notes;
}

void import_points(const ImportOptions& o) {
    std::string suffix = lower_suffix(o.points);
    if (suffix != "csv" && suffix != "xyz" && suffix != "txt")
        throw Failure(kExitUsage, "points must be a .csv, .xyz or .txt file, got " + o.points);
    std::ifstream in = open_text(o.points);
    if (o.three_d && !(o.spacing > 0.0 && std::isfinite(o.spacing)))
        throw Failure(kExitUsage, "a 3D seabed needs --spacing S with S > 0 (the sub-node grid spacing)");
    ColumnChoice choice = columns_of(o);
    Points p = read_points(in, o.points, suffix == "csv", choice);
    std::size_t need = o.three_d ? 3 : 2;
    if (p.x.size() < need)
        throw Failure(kExitToolFailure, fmt::format("{}: a {} seabed needs at least {} points, found {}", o.points,
                                                    o.three_d ? "3D" : "2D", need, p.x.size()));
    std::vector<float> nodes;
    for (auto i : node_order(o, p)) {
        nodes.push_back(p.x[i]);
        nodes.push_back(p.y[i]);
        if (o.three_d) nodes.push_back(p.z[i]);
    }
    auto n = static_cast<std::int32_t>(p.x.size());
    write_atomically(o.file, input_file_bytes(o.three_d ? SEABED_TYPE_3D : SEABED_TYPE_2D, n,
                                              static_cast<float>(o.spacing), notes_of(o, p, choice), nodes));
    auto [ylo, yhi] = std::minmax_element(p.y.begin(), p.y.end());
    auto [xlo, xhi] = std::minmax_element(p.x.begin(), p.x.end());
    fmt::print("wrote {}: {} input, {} nodes, Y [{}, {}], elevation [{}, {}]{}\n", o.file,
               o.three_d ? "3D surface" : "2D profile", n, *ylo, *yhi, *xlo, *xhi,
               o.three_d ? fmt::format(", spacing {}", static_cast<float>(o.spacing)) : "");
}

}  // namespace

Command add_import(CLI::App& app) {
    auto o = std::make_shared<ImportOptions>();
    auto* sub = app.add_subcommand("import", "write a seabed input file from survey points in text columns");
    sub->add_option("POINTS", o->points, "points: .csv (commas) or .xyz/.txt (blanks)")->required();
    sub->add_option("FILE", o->file, "seabed file to write")->required();
    auto* type = sub->add_option_group("type");
    type->add_flag("--2d", o->two_d, "a 2D profile: Y and elevation columns");
    type->add_flag("--3d", o->three_d, "a 3D surface: Y, Z and elevation columns");
    type->require_option(1);
    sub->add_option("--spacing", o->spacing, "sub-node grid spacing (3D; required there)");
    sub->add_option("--y", o->columns.y, "column of Y: number from 1 or header name (default 1)");
    sub->add_option("--z", o->columns.z, "column of Z, 3D (default 2)");
    sub->add_option("--elevation", o->columns.elevation, "column of the elevation X (default 3 in 3D, 2 in 2D)");
    sub->add_flag("--depth-positive-down", o->columns.depth_positive_down,
                  "the elevation column holds depths (positive down): store X = -depth");
    sub->add_flag("--sort", o->sort, "2D: sort the points by Y instead of refusing unsorted input");
    sub->add_option("--notes", o->notes, "text for the six notes records (32 characters each)");
    return {sub, [o](const std::string&) { import_points(*o); }};
}

}  // namespace cli
