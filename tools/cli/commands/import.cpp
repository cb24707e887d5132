#include <fmt/format.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <memory>
#include <numeric>
#include <unordered_map>

#include "commands/commands.hpp"
#include "failure.hpp"
#include "grids.hpp"
#include "paths.hpp"
#include "progress.hpp"
#include "seabed.h"
#include "seabed_file.hpp"

namespace cli {
namespace {

void warn(const std::string& text) {
    fmt::print(stderr, "seabed import: warning: {}\n", text);
}

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
std::vector<std::size_t> node_order(const ImportOptions& o, const Points& p, const std::vector<float>& y) {
    std::vector<std::size_t> order(y.size());
    std::iota(order.begin(), order.end(), 0);
    if (o.three_d) return order;
    if (o.sort) std::stable_sort(order.begin(), order.end(), [&](auto a, auto b) { return y[a] < y[b]; });
    for (std::size_t k = 1; k < order.size(); ++k) {
        auto a = order[k - 1], b = order[k];
        if (!(y[b] > y[a]))
            throw Failure(kExitToolFailure,
                          fmt::format("{}:{}: Y {} does not increase from line {} (Y {}); a 2D profile needs "
                                      "strictly increasing Y{}",
                                      o.points, p.lines[b], y[b], p.lines[a], y[a],
                                      o.sort ? " (after sorting, two points share this Y)" : " (use --sort)"));
    }
    return order;
}

/// The offset taken off Y and Z before they become 32-bit floats.
std::array<double, 2> offset_of(const ImportOptions& o, const Points& p) {
    if (o.offset.empty()) return {0.0, 0.0};
    if (o.offset == "auto") {
        // The middle of the extent, rounded to a kilometre so the stored
        // coordinates stay readable.
        auto middle = [](const std::vector<double>& v) {
            if (v.empty()) return 0.0;
            auto [lo, hi] = std::minmax_element(v.begin(), v.end());
            return std::round(0.5 * (*lo + *hi) / 1000.0) * 1000.0;
        };
        return {middle(p.y), middle(p.z)};
    }
    std::array<double, 2> off{0.0, 0.0};
    auto parts = split_fields(o.offset, ',');
    if (parts.size() != 2 || !parse_number(parts[0], off[0]) || !parse_number(parts[1], off[1]))
        throw Failure(kExitUsage, "--offset is auto or Y,Z (two numbers), not '" + o.offset + "'");
    return off;
}

/// The distance between adjacent float32 values at magnitude m.
double float_step(double m) {
    auto f = static_cast<float>(m);
    return static_cast<double>(std::nextafter(f, std::numeric_limits<float>::infinity()) - f);
}

void warn_about_values(const ImportOptions& o, const Points& p, const std::array<double, 2>& off) {
    if (!o.columns.depth_positive_down && std::all_of(p.x.begin(), p.x.end(), [](double x) { return x > 0.0; }))
        warn("every elevation is positive: if the column holds depths (positive down), import again with "
             "--depth-positive-down");
    double m = 0.0;
    for (double y : p.y) m = std::max(m, std::fabs(y - off[0]));
    for (double z : p.z) m = std::max(m, std::fabs(z - off[1]));
    double step = float_step(m);
    if (step >= 0.01)
        warn(fmt::format("coordinates up to {:g} are stored as 32-bit floats in steps of {:g} m: nearby points "
                         "merge and elevations shift; import with --offset auto (or --offset Y,Z)",
                         m, step));
}

/// Groups of points closer than d to each other (union of close pairs),
/// reported when their elevations differ and merged when asked.
struct Close {
    std::int64_t pairs = 0;
    double worst = 0.0;  // largest elevation difference of a close pair
    std::int64_t line_a = 0, line_b = 0;
    std::vector<std::size_t> parent;
};

std::size_t root(std::vector<std::size_t>& parent, std::size_t i) {
    while (parent[i] != i) i = parent[i] = parent[parent[i]];
    return i;
}

Close close_points(const Points& p, const std::vector<float>& y, const std::vector<float>& z, double d) {
    Close c;
    c.parent.resize(y.size());
    std::iota(c.parent.begin(), c.parent.end(), 0);
    if (!(d > 0.0)) return c;
    auto cell = [d](float v) { return static_cast<std::int64_t>(std::floor(static_cast<double>(v) / d)); };
    auto key = [](std::int64_t a, std::int64_t b) { return a * 73856093LL ^ b * 19349663LL; };
    std::unordered_multimap<std::int64_t, std::size_t> grid;
    grid.reserve(y.size());
    for (std::size_t i = 0; i < y.size(); ++i) {
        std::int64_t cy = cell(y[i]), cz = z.empty() ? 0 : cell(z[i]);
        for (std::int64_t a = cy - 1; a <= cy + 1; ++a)
            for (std::int64_t b = cz - 1; b <= cz + 1; ++b) {
                auto [lo, hi] = grid.equal_range(key(a, b));
                for (auto it = lo; it != hi; ++it) {
                    std::size_t j = it->second;
                    double dy = static_cast<double>(y[i]) - static_cast<double>(y[j]);
                    double dz = z.empty() ? 0.0 : static_cast<double>(z[i]) - static_cast<double>(z[j]);
                    if (std::hypot(dy, dz) >= d) continue;
                    c.parent[root(c.parent, i)] = root(c.parent, j);
                    double diff = std::fabs(p.x[i] - p.x[j]);
                    if (diff == 0.0) continue;
                    if (c.pairs++ == 0) c.line_a = p.lines[j], c.line_b = p.lines[i];
                    c.worst = std::max(c.worst, diff);
                }
            }
        grid.emplace(key(cy, cz), i);
    }
    return c;
}

/// One point per group of close points, at the first point's position, with
/// the elevation the rule gives.
void thin(Points& p, std::vector<float>& y, std::vector<float>& z, Close& c, const std::string& rule) {
    std::unordered_map<std::size_t, std::vector<std::size_t>> groups;
    std::vector<std::size_t> firsts;
    for (std::size_t i = 0; i < y.size(); ++i) {
        auto& g = groups[root(c.parent, i)];
        if (g.empty()) firsts.push_back(i);
        g.push_back(i);
    }
    Points out;
    std::vector<float> ny, nz;
    for (std::size_t f : firsts) {
        auto& g = groups[root(c.parent, f)];
        std::vector<double> x;
        for (auto i : g) x.push_back(p.x[i]);
        double v = x[0];
        if (rule == "mean") {
            v = std::accumulate(x.begin(), x.end(), 0.0) / static_cast<double>(x.size());
        } else if (rule == "median") {
            std::sort(x.begin(), x.end());
            v = x.size() % 2 ? x[x.size() / 2] : 0.5 * (x[x.size() / 2 - 1] + x[x.size() / 2]);
        }
        out.x.push_back(v);
        out.lines.push_back(p.lines[f]);
        ny.push_back(y[f]);
        if (!z.empty()) nz.push_back(z[f]);
    }
    p.x = std::move(out.x);
    p.lines = std::move(out.lines);
    y = std::move(ny);
    z = std::move(nz);
}

std::array<std::string, 6> notes_of(const ImportOptions& o, const Points& p, const ColumnChoice& choice,
                                    const std::array<double, 2>& off) {
    std::array<std::string, 6> notes;
    if (!o.notes.empty()) {
        for (std::size_t r = 0; r < 6 && 32 * r < o.notes.size(); ++r) notes[r] = o.notes.substr(32 * r, 32);
    } else {
        notes[0] = "seabed import";
        notes[1] = std::filesystem::path(o.points).filename().string();
        notes[2] = fmt::format("{} points", p.x.size());
        if (choice.depth_positive_down) notes[3] = "elevation = -depth";
    }
    // The last two records belong to what every output must know.
    if (!o.crs.empty()) notes[4] = crs_note(o.crs);
    if (off[0] != 0.0 || off[1] != 0.0) notes[5] = offset_note(off[0], off[1]);
    for (auto& n : notes)
        if (n.size() > 32) throw Failure(kExitUsage, "a notes record holds 32 characters, too few for '" + n + "'");
    return notes;
}

Points read_input(const ImportOptions& o, const ColumnChoice& choice) {
    if (is_grid_path(o.points)) return read_grid_points(o.points, o.read.nodata, o.decimate, o.three_d);
    Spinner spin("reading " + o.points);
    return read_points(read_text(o.points), o.points == "-" ? "standard input" : o.points, choice, o.read);
}

void report_rows(const ImportOptions& o, const Points& p) {
    fmt::print("read {}: {} points ({}{})\n", o.points == "-" ? "standard input" : o.points, p.x.size(),
               is_grid_path(o.points) ? "raster cells" : p.delimiter + " delimited",
               is_grid_path(o.points) ? "" : p.header ? ", header line" : ", no header");
    if (p.bad) {
        std::string lines;
        for (auto l : p.bad_lines) lines += fmt::format("{}{}", lines.empty() ? "" : ", ", l);
        fmt::print("skipped {} bad row{} (line{} {}{})\n", p.bad, p.bad == 1 ? "" : "s", p.bad == 1 ? "" : "s", lines,
                   p.bad > static_cast<std::int64_t>(p.bad_lines.size()) ? ", ..." : "");
    }
    if (p.nodata) fmt::print("dropped {} no-data row{}\n", p.nodata, p.nodata == 1 ? "" : "s");
}

void import_points(const ImportOptions& o) {
    if (o.three_d && !(o.spacing > 0.0 && std::isfinite(o.spacing)))
        throw Failure(kExitUsage, "a 3D seabed needs --spacing S with S > 0 (the sub-node grid spacing)");
    require_folder(o.file);
    ColumnChoice choice = columns_of(o);
    Points p = read_input(o, choice);
    report_rows(o, p);
    std::size_t need = o.three_d ? 3 : 2;
    if (p.x.size() < need)
        throw Failure(kExitToolFailure, fmt::format("{}: a {} seabed needs at least {} points, found {}", o.points,
                                                    o.three_d ? "3D" : "2D", need, p.x.size()));
    auto off = offset_of(o, p);
    if (!o.three_d) off[1] = 0.0;
    warn_about_values(o, p, off);
    std::vector<float> y(p.y.size()), z(p.z.size());
    for (std::size_t i = 0; i < y.size(); ++i) y[i] = static_cast<float>(p.y[i] - off[0]);
    for (std::size_t i = 0; i < z.size(); ++i) z[i] = static_cast<float>(p.z[i] - off[1]);

    double d = o.min_distance;
    if (d < 0.0) {
        // A small fraction of the sub-node spacing (3D) or of the mean node interval (2D).
        auto [lo, hi] = std::minmax_element(y.begin(), y.end());
        d = o.three_d ? 0.01 * o.spacing
                      : 1e-3 * static_cast<double>(*hi - *lo) / static_cast<double>(std::max<std::size_t>(1, y.size() - 1));
    }
    Close close = close_points(p, y, z, d);
    if (close.pairs && o.thin.empty())
        warn(fmt::format("{} pair{} of points closer than {:g} have different elevations (up to {:g} apart; first "
                         "lines {} and {}): the smooth surface spikes between them; --thin mean|median|first "
                         "merges them",
                         close.pairs, close.pairs == 1 ? "" : "s", d, close.worst, close.line_a, close.line_b));
    if (!o.thin.empty()) {
        std::size_t before = y.size();
        thin(p, y, z, close, o.thin);
        fmt::print("thinned {} points closer than {:g} to {} ({})\n", before, d, y.size(), o.thin);
    }

    std::vector<float> nodes;
    for (auto i : node_order(o, p, y)) {
        nodes.push_back(static_cast<float>(p.x[i]));
        nodes.push_back(y[i]);
        if (o.three_d) nodes.push_back(z[i]);
    }
    auto n = static_cast<std::int32_t>(y.size());
    write_atomically(o.file, input_file_bytes(o.three_d ? SEABED_TYPE_3D : SEABED_TYPE_2D, n,
                                              static_cast<float>(o.spacing), notes_of(o, p, choice, off), nodes));
    auto [ylo, yhi] = std::minmax_element(p.y.begin(), p.y.end());
    auto [xlo, xhi] = std::minmax_element(p.x.begin(), p.x.end());
    fmt::print("wrote {}: {} input, {} nodes, Y [{}, {}], elevation [{}, {}]{}{}\n", o.file,
               o.three_d ? "3D surface" : "2D profile", n, *ylo, *yhi, static_cast<float>(*xlo),
               static_cast<float>(*xhi), o.three_d ? fmt::format(", spacing {}", static_cast<float>(o.spacing)) : "",
               off[0] != 0.0 || off[1] != 0.0 ? fmt::format(", offset {} {} taken off Y, Z", off[0], off[1]) : "");
}

}  // namespace

Command add_import(CLI::App& app) {
    auto o = std::make_shared<ImportOptions>();
    auto* sub = app.add_subcommand("import", "write a seabed input file from survey points or a raster grid");
    sub->add_option("POINTS", o->points,
                    "points: delimited text (.csv, .xyz, .txt, .dat, any of them .gz; - for standard input)"
                    " or a raster grid (.tif, .nc, .asc) when built with GDAL")
        ->required();
    sub->add_option("FILE", o->file, "seabed file to write")->required();
    add_dimension_flags(sub, o->two_d, o->three_d, "a 2D profile: Y and elevation columns",
                        "a 3D surface: Y, Z and elevation columns");
    sub->add_option("--spacing", o->spacing, "sub-node grid spacing (3D; required there)");
    sub->add_option("--y", o->columns.y, "column of Y: number from 1 or header name (default 1)");
    sub->add_option("--z", o->columns.z, "column of Z, 3D (default 2)");
    sub->add_option("--elevation", o->columns.elevation, "column of the elevation X (default 3 in 3D, 2 in 2D)");
    sub->add_flag("--depth-positive-down", o->columns.depth_positive_down,
                  "the elevation column holds depths (positive down): store X = -depth");
    sub->add_option("--delimiter", o->read.delimiter, "auto (default), comma, semicolon, tab or whitespace");
    sub->add_flag("--header", o->read.header, "the first line is a header (default: only when its fields are names)");
    sub->add_flag("--skip-bad", o->read.skip_bad, "skip rows that do not hold numbers, and count them");
    sub->add_option("--nodata", o->read.nodata, "elevation value (as written) that marks a missing sounding");
    sub->add_option("--offset", o->offset,
                    "auto or Y,Z: taken off the coordinates before they become 32-bit floats, kept in the notes "
                    "and added back on every output");
    sub->add_option("--min-distance", o->min_distance,
                    "points closer than this are reported (default: 1/100 of the spacing in 3D)");
    sub->add_option("--thin", o->thin, "merge points closer than --min-distance: mean, median or first")
        ->check(CLI::IsMember({"mean", "median", "first"}));
    sub->add_option("--crs", o->crs, "coordinate reference, e.g. EPSG:32631: kept in the notes, written into grids");
    sub->add_option("--decimate", o->decimate, "grids: take every k-th cell in each direction (default 1)")
        ->check(CLI::PositiveNumber);
    sub->add_flag("--sort", o->sort, "2D: sort the points by Y instead of refusing unsorted input");
    sub->add_option("--notes", o->notes, "text for the notes records (32 characters each)");
    return {sub, [o](const std::string&) { import_points(*o); }};
}

}  // namespace cli
