// seabed: the command-line tool. Every seabed operation goes through the
// shared library's exports, looked up by name as a host does; the tool itself
// only reads and writes files and formats results.
#include <fmt/format.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <numeric>
#include <optional>
#include <sstream>

#include "export.hpp"
#include "failure.hpp"
#include "library.hpp"
#include "points.hpp"
#include "progress.hpp"
#include "seabed_file.hpp"
#include "size_guard.hpp"

namespace cli {
namespace {

namespace fs = std::filesystem;

constexpr std::int32_t kUnit = 31;  // any unit will do; the tool opens one file at a time

std::string lower_suffix(const std::string& path) {
    std::string s = fs::path(path).extension().string();
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s.empty() ? s : s.substr(1);
}

void require_folder(const std::string& path) {
    fs::path p(path);
    fs::path dir = p.has_parent_path() ? p.parent_path() : fs::path(".");
    std::error_code ec;
    if (!fs::is_directory(dir, ec))
        throw Failure(kExitToolFailure, "cannot write " + path + ": folder " + dir.string() + " does not exist");
}

/// Library status of opening a file as a seabed file (checks existence and
/// magic number through the export); throws on failure.
void open_checked(const Library& lib, const std::string& path) {
    auto open = SEABED_OP(lib, open_seabed_file);
    std::int32_t status = -1, unit = kUnit;
    open(static_cast<std::int32_t>(path.size()), path.data(), &unit, &status);
    if (status != 0) throw status_failure(path, status);
}

std::string fmt_range(const std::vector<float>& v, std::size_t stride, std::size_t at) {
    if (v.size() <= at) return "none";
    float lo = v[at], hi = v[at];
    for (std::size_t i = at; i < v.size(); i += stride) {
        lo = std::min(lo, v[i]);
        hi = std::max(hi, v[i]);
    }
    return fmt::format("[{}, {}]", lo, hi);
}

// ---------------------------------------------------------------- create-test

void create_test(const Library& lib, const std::string& path, bool three_d) {
    require_folder(path);
    auto create = SEABED_OP(lib, seabed_create_test_file);
    create(static_cast<std::int32_t>(path.size()), path.data(), three_d ? SEABED_TYPE_3D : SEABED_TYPE_2D);
    SeabedFile f;
    try {
        f = read_seabed_file(path);
    } catch (const Failure&) {
        throw Failure(kExitToolFailure, "seabed_create_test_file wrote no seabed file at " + path);
    }
    fmt::print("wrote {}: {} test input, {} nodes, spacing {}\n", path, f.type_name(), f.n, f.spacing);
}

// --------------------------------------------------------------------- import

struct ImportOptions {
    std::string points, file;
    bool two_d = false, three_d = false, sort = false;
    double spacing = 0.0;
    ColumnChoice columns;
    std::string notes;
};

void import_points(const ImportOptions& o) {
    std::string suffix = lower_suffix(o.points);
    if (suffix != "csv" && suffix != "xyz" && suffix != "txt")
        throw Failure(kExitUsage, "points must be a .csv, .xyz or .txt file, got " + o.points);
    std::ifstream in(o.points);
    if (!in) throw Failure(kExitToolFailure, "cannot read " + o.points + ": " + std::strerror(errno));
    if (o.three_d && !(o.spacing > 0.0 && std::isfinite(o.spacing)))
        throw Failure(kExitUsage, "a 3D seabed needs --spacing S with S > 0 (the sub-node grid spacing)");
    ColumnChoice choice = o.columns;
    if (choice.y.empty()) choice.y = "1";
    if (o.three_d && choice.z.empty()) choice.z = "2";
    if (!o.three_d) choice.z.clear();
    if (choice.elevation.empty()) choice.elevation = o.three_d ? "3" : "2";
    Points p = read_points(in, o.points, suffix == "csv", choice);
    std::size_t need = o.three_d ? 3 : 2;
    if (p.x.size() < need)
        throw Failure(kExitToolFailure, fmt::format("{}: a {} seabed needs at least {} points, found {}", o.points,
                                                    o.three_d ? "3D" : "2D", need, p.x.size()));
    std::vector<std::size_t> order(p.x.size());
    std::iota(order.begin(), order.end(), 0);
    if (!o.three_d) {
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
    }
    std::vector<float> nodes;
    for (auto i : order) {
        nodes.push_back(p.x[i]);
        nodes.push_back(p.y[i]);
        if (o.three_d) nodes.push_back(p.z[i]);
    }
    std::array<std::string, 6> notes;
    if (!o.notes.empty()) {
        for (std::size_t r = 0; r < 6 && 32 * r < o.notes.size(); ++r) notes[r] = o.notes.substr(32 * r, 32);
    } else {
        notes[0] = "seabed import";
        notes[1] = fs::path(o.points).filename().string();
        notes[2] = fmt::format("{} points", p.x.size());
        if (choice.depth_positive_down) notes[3] = "elevation = -depth";
    }
    auto n = static_cast<std::int32_t>(p.x.size());
    write_atomically(o.file, input_file_bytes(o.three_d ? SEABED_TYPE_3D : SEABED_TYPE_2D, n,
                                              static_cast<float>(o.spacing), notes, nodes));
    auto [ylo, yhi] = std::minmax_element(p.y.begin(), p.y.end());
    auto [xlo, xhi] = std::minmax_element(p.x.begin(), p.x.end());
    fmt::print("wrote {}: {} input, {} nodes, Y [{}, {}], elevation [{}, {}]{}\n", o.file,
               o.three_d ? "3D surface" : "2D profile", n, *ylo, *yhi, *xlo, *xhi,
               o.three_d ? fmt::format(", spacing {}", static_cast<float>(o.spacing)) : "");
}

// ------------------------------------------------------------------- generate

void generate(const Library& lib, const std::string& path, bool force) {
    auto gen = SEABED_OP(lib, seabed_generate);
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

// ----------------------------------------------------------------------- info

void info(const Library& lib, const std::string& path) {
    open_checked(lib, path);
    SeabedFile f = read_seabed_file(path);
    fmt::print("file        {} ({} bytes, {} records)\n", path, f.bytes, (f.bytes + 31) / 32);
    fmt::print("header      magic {:#010x}, {}\n", static_cast<std::uint32_t>(f.magic),
               f.stamped ? "stamp 1 8 4 2 7 2015 (completed by a generation)" : "no stamp (input not yet generated)");
    for (std::size_t r = 0; r < f.notes.size(); ++r)
        if (!f.notes[r].empty()) fmt::print("note {}      {}\n", r + 2, f.notes[r]);
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
            fmt::print("bounds      Y {}, Z {}\n", fmt_range(f.nodes, c, 1), fmt_range(f.nodes, c, 2));
        else
            fmt::print("bounds      Y {}\n", fmt_range(f.nodes, c, 1));
        fmt::print("elevation   X {} (nodes)", fmt_range(f.nodes, c, 0));
        if (f.generated && f.is_3d() && !f.subnodes.empty())
            fmt::print(", {} (sub-nodes)", fmt_range(f.subnodes, 3, 0));
        fmt::print("\n");
    }
    for (const auto& p : f.problems) fmt::print("problem     {}\n", p);
}

// ---------------------------------------------------------------------- query

struct QueryOptions {
    std::string file, method, points, output;
    std::vector<std::string> at;
    bool no_header = false;
};

std::vector<std::array<double, 2>> query_points(const QueryOptions& o, bool three_d) {
    std::vector<std::array<double, 2>> pts;
    std::size_t need = three_d ? 2 : 1;
    auto take = [&](const std::vector<std::string>& fields, const std::string& where, bool may_be_header) {
        if (fields.size() < need)
            throw Failure(kExitToolFailure,
                          fmt::format("{}: expected {} but found {} value{}", where, three_d ? "Y,Z" : "Y",
                                      fields.size(), fields.size() == 1 ? "" : "s"));
        std::array<double, 2> p{0.0, 0.0};
        for (std::size_t k = 0; k < need; ++k)
            if (!parse_number(fields[k], p[k])) {
                if (may_be_header) return;
                throw Failure(kExitToolFailure, fmt::format("{}: '{}' is not a finite number", where, fields[k]));
            }
        pts.push_back(p);
    };
    for (const auto& a : o.at) take(split_fields(a, true), "--at " + a, false);
    if (!o.points.empty() || (o.at.empty() && !isatty(STDIN_FILENO))) {
        std::ifstream file;
        std::istream* in = &std::cin;
        std::string name = "standard input";
        if (!o.points.empty() && o.points != "-") {
            file.open(o.points);
            if (!file) throw Failure(kExitToolFailure, "cannot read " + o.points + ": " + std::strerror(errno));
            in = &file;
            name = o.points;
        }
        std::string line;
        std::int64_t lineno = 0;
        bool first = true;
        while (std::getline(*in, line)) {
            ++lineno;
            auto a = line.find_first_not_of(" \t\r");
            if (a == std::string::npos || line[a] == '#') continue;
            take(split_fields(line, false), fmt::format("{}:{}", name, lineno), first);
            first = false;
        }
    }
    if (pts.empty())
        throw Failure(kExitUsage, "no query points: give them with --at Y[,Z], --points FILE, or on standard input");
    return pts;
}

std::string num(double v) {
    return std::isnan(v) ? "nan" : fmt::format("{}", v);
}

void query(const Library& lib, const QueryOptions& o) {
    SeabedFile f = read_seabed_file(o.file);
    if (!f.is_2d() && !f.is_3d()) throw status_failure(o.file, SEABED_STATUS_NOT_SEABED);
    // The loaders trust the counts of a file; an input file has none yet.
    if (!f.generated)
        throw Failure(kExitToolFailure, o.file + " holds no generated seabed (run seabed generate first)");
    std::string method = o.method.empty() ? (f.is_2d() ? "spline" : "cubic") : o.method;
    if (f.is_2d() && method != "linear" && method != "bessel" && method != "spline")
        throw Failure(kExitUsage, "a 2D profile is queried with --method linear, bessel or spline, not " + method);
    if (f.is_3d() && method != "linear" && method != "cubic")
        throw Failure(kExitUsage, "a 3D surface is queried with --method linear or cubic, not " + method);
    if (!o.output.empty()) require_folder(o.output);
    auto pts = query_points(o, f.is_3d());
    std::string out;
    auto put = std::back_inserter(out);
    std::int32_t len = static_cast<std::int32_t>(o.file.size()), unit = kUnit, n = 0, status = -1;
    std::int64_t memory = 0;
    std::int64_t bad = 0;
    Progress progress("querying", static_cast<std::int64_t>(pts.size()));
    if (f.is_2d()) {
        auto load = SEABED_OP(lib, load_seabed_2d);
        auto release = SEABED_OP(lib, free_seabed_2d);
        auto linear = SEABED_OP(lib, interpolate_2d_linear);
        auto cubic = SEABED_OP(lib, interpolate_2d_cubic);
        std::int32_t type = method == "linear"   ? SEABED_2D_LINEAR
                            : method == "bessel" ? SEABED_2D_BESSEL
                                                 : SEABED_2D_SPLINE;
        seabed_desc2 profile{};
        seabed_desc1 slopes{};
        load(&len, o.file.data(), &unit, &type, &n, &profile, &slopes, &memory, &status);
        if (status != 0) {
            release(&profile, &slopes);
            throw status_failure("load_seabed_2d " + o.file, status);
        }
        if (!o.no_header) out += "y,elevation,slope,segment\n";
        std::int32_t segment = 0;
        for (std::size_t k = 0; k < pts.size(); ++k) {
            double y = pts[k][0], x = 0.0, slope = std::nan("");
            if (type == SEABED_2D_LINEAR)
                linear(&y, &n, static_cast<const float*>(profile.base), &x, &slope, &segment);
            else
                cubic(&y, &n, static_cast<const float*>(profile.base), static_cast<const float*>(slopes.base), &x,
                      &slope, &segment);
            fmt::format_to(put, "{},{},{},{}\n", num(y), num(x), num(slope), segment);
            progress.update(static_cast<std::int64_t>(k + 1));
        }
        release(&profile, &slopes);
    } else {
        auto load = SEABED_OP(lib, load_seabed_3d);
        auto release = SEABED_OP(lib, free_seabed_3d);
        auto find = SEABED_OP(lib, find_triangle);
        auto linear = SEABED_OP(lib, interpolate_3d_linear);
        auto cubic = SEABED_OP(lib, interpolate_3d_cubic);
        std::int32_t type = method == "linear" ? SEABED_3D_LINEAR : SEABED_3D_CUBIC, nt = 0, nadj = 0;
        seabed_desc2 nodes{}, gradients{};
        seabed_desc1 iadj{}, istart{};
        load(&len, o.file.data(), &unit, &type, &n, &nt, &nadj, &nodes, &gradients, &iadj, &istart, &memory, &status);
        if (status != 0) {
            release(&nodes, &gradients, &iadj, &istart);
            throw status_failure("load_seabed_3d " + o.file, status);
        }
        if (!o.no_header) out += "y,z,elevation,normal_x,normal_y,normal_z,status,i1,i2,i3\n";
        std::int32_t start = 0, i1 = 0, i2 = 0, i3 = 0;
        for (std::size_t k = 0; k < pts.size(); ++k) {
            double y = pts[k][0], z = pts[k][1], x = 0.0;
            double normal[3] = {std::nan(""), std::nan(""), std::nan("")};
            std::int32_t st = 0;
            find(&y, &z, &n, &nadj, &nodes, &iadj, &istart, &i1, &i2, &i3);
            const auto* xyz = static_cast<const float*>(nodes.base);
            const auto* adj = static_cast<const std::int32_t*>(iadj.base);
            const auto* first = static_cast<const std::int32_t*>(istart.base);
            if (type == SEABED_3D_LINEAR)
                linear(&y, &z, &n, &nadj, xyz, adj, first, &x, normal, &start, &st);
            else
                cubic(&y, &z, &n, &nadj, xyz, adj, first, static_cast<const float*>(gradients.base), &x, normal, &start,
                      &st);
            if (st != 0) ++bad;
            fmt::format_to(put, "{},{},{},{},{},{},{},{},{},{}\n", num(y), num(z), num(x), num(normal[0]),
                           num(normal[1]), num(normal[2]), st, i1, i2, i3);
            progress.update(static_cast<std::int64_t>(k + 1));
        }
        release(&nodes, &gradients, &iadj, &istart);
    }
    if (o.output.empty()) {
        std::fwrite(out.data(), 1, out.size(), stdout);
    } else {
        write_atomically(o.output, out);
    }
    if (bad)
        fmt::print(stderr, "seabed query: {} point{} returned a non-zero status (see the status column)\n", bad,
                   bad == 1 ? "" : "s");
}

// ------------------------------------------------------------- export / plot

void export_file(const std::string& path, const std::string& output, const std::string& what) {
    std::string format = lower_suffix(output);
    if (format != "vtk" && format != "obj" && format != "ply" && format != "csv")
        throw Failure(kExitUsage, "export writes .vtk, .obj, .ply or .csv files, not " + output);
    require_folder(output);
    SeabedFile f = read_seabed_file(path);
    std::string text = export_text(f, what, format);
    write_atomically(output, text);
    fmt::print("wrote {} ({} of {}, {} bytes)\n", output, what, path, text.size());
}

struct PlotOptions {
    std::string file, output, transect, units = "m", title;
};

[[noreturn]] void plot(const std::string& library, const PlotOptions& o) {
    std::string suffix = lower_suffix(o.output);
    if (suffix != "png" && suffix != "svg")
        throw Failure(kExitUsage, "plot writes .png or .svg files, not " + o.output);
    require_folder(o.output);
    SeabedFile f = read_seabed_file(o.file);  // missing or foreign files fail here with the library's status
    if (!f.generated)
        throw Failure(kExitToolFailure, o.file + " holds no generated seabed (run seabed generate first)");
    // Pictures are drawn by the Python package with matplotlib, through the same library.
    std::string pythonpath = python_dir();
    if (const char* old = std::getenv("PYTHONPATH"); old && *old) pythonpath += std::string(":") + old;
    setenv("PYTHONPATH", pythonpath.c_str(), 1);
    setenv("SEABED_LIBRARY", library.c_str(), 1);
    const char* python = std::getenv("SEABED_PYTHON");
    if (!python || !*python) python = "/usr/bin/python3";
    std::vector<std::string> args = {python, "-m", "seabed", "plot", o.file, "-o", o.output, "--units", o.units};
    if (!o.transect.empty()) args.insert(args.end(), {"--transect", o.transect});
    if (!o.title.empty()) args.insert(args.end(), {"--title", o.title});
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::fflush(stdout);
    execv(python, argv.data());
    throw Failure(kExitToolFailure, fmt::format("plot needs {} with numpy and matplotlib (bash scripts/setup.sh): {}",
                                                python, std::strerror(errno)));
}

void codes() {
    fmt::print("code,message\n");
    for (std::int32_t c = 0; c <= 45; ++c) fmt::print("{},{}\n", c, status_message(c));
}

int run(int argc, char** argv) {
    CLI::App app{"seabed: build, inspect, query, export and draw seabed files through the seabed library"};
    app.require_subcommand(1);
    app.set_version_flag("--version", fmt::format("seabed {}.{}", SEABED_VERSION_MAJOR, SEABED_VERSION_MINOR));
    std::string library_option;
    app.add_option("--library", library_option,
                   "the shared library to use (default: SEABED_LIBRARY, then the build tree)");

    std::string file, output;
    bool two_d = false, three_d = false;

    auto* c_create = app.add_subcommand("create-test", "write a test seabed input file (seabed_create_test_file)");
    c_create->add_option("FILE", file, "seabed file to write")->required();
    auto* g_create = c_create->add_option_group("type");
    g_create->add_flag("--2d", two_d, "the fixed four-point profile");
    g_create->add_flag("--3d", three_d, "random 3D nodes");
    g_create->require_option(1);

    ImportOptions imp;
    auto* c_import = app.add_subcommand("import", "write a seabed input file from survey points in text columns");
    c_import->add_option("POINTS", imp.points, "points: .csv (commas) or .xyz/.txt (blanks)")->required();
    c_import->add_option("FILE", imp.file, "seabed file to write")->required();
    auto* g_import = c_import->add_option_group("type");
    g_import->add_flag("--2d", imp.two_d, "a 2D profile: Y and elevation columns");
    g_import->add_flag("--3d", imp.three_d, "a 3D surface: Y, Z and elevation columns");
    g_import->require_option(1);
    c_import->add_option("--spacing", imp.spacing, "sub-node grid spacing (3D; required there)");
    c_import->add_option("--y", imp.columns.y, "column of Y: number from 1 or header name (default 1)");
    c_import->add_option("--z", imp.columns.z, "column of Z, 3D (default 2)");
    c_import->add_option("--elevation", imp.columns.elevation, "column of the elevation X (default 3 in 3D, 2 in 2D)");
    c_import->add_flag("--depth-positive-down", imp.columns.depth_positive_down,
                       "the elevation column holds depths (positive down): store X = -depth");
    c_import->add_flag("--sort", imp.sort, "2D: sort the points by Y instead of refusing unsorted input");
    c_import->add_option("--notes", imp.notes, "text for the six notes records (32 characters each)");

    auto* c_generate = app.add_subcommand("generate", "build the seabed in an input file (seabed_generate)");
    c_generate->add_option("FILE", file, "seabed file")->required();
    bool force = false;
    c_generate->add_flag("--force", force, "generate even when the 3D spacing asks for more than 5e7 sub-nodes");

    auto* c_info = app.add_subcommand("info", "describe a seabed file");
    c_info->add_option("FILE", file, "seabed file")->required();

    QueryOptions q;
    auto* c_query = app.add_subcommand("query", "elevation and slope (2D) or unit normal (3D) at points, as CSV");
    c_query->add_option("FILE", q.file, "generated seabed file")->required();
    c_query->add_option("--method", q.method, "2D: linear, bessel, spline (default); 3D: linear, cubic (default)")
        ->check(CLI::IsMember({"linear", "bessel", "spline", "cubic"}));
    c_query->add_option("--at", q.at, "a point: Y (2D) or Y,Z (3D); repeat for more");
    c_query->add_option("--points", q.points, "CSV or blank-separated file of points (Y[,Z]); - for standard input");
    c_query->add_option("-o,--output", q.output, "write the CSV here instead of standard output");
    c_query->add_flag("--no-header", q.no_header, "leave out the CSV header line");

    std::string what = "nodes";
    auto* c_export =
        app.add_subcommand("export", "write nodes, triangles or the sub-node surface as VTK, OBJ, PLY or CSV");
    c_export->add_option("FILE", file, "generated seabed file")->required();
    c_export->add_option("-o,--output", output, "file to write: .vtk, .obj, .ply or .csv")->required();
    c_export
        ->add_option("--what", what,
                     "3D: nodes (with triangles), subnodes (with sub-node triangles), triangles, "
                     "subtriangles; 2D: nodes, spline, bessel")
        ->check(CLI::IsMember({"nodes", "triangles", "subnodes", "subtriangles", "spline", "bessel"}));

    PlotOptions po;
    auto* c_plot = app.add_subcommand("plot", "draw a 2D profile, a 3D map or a 3D transect (PNG or SVG; uses Python)");
    c_plot->add_option("FILE", po.file, "generated seabed file")->required();
    c_plot->add_option("-o,--output", po.output, "picture to write: .png or .svg")->required();
    c_plot->add_option("--transect", po.transect, "3D: Y0,Z0,Y1,Z1 draws the elevation along this line");
    c_plot->add_option("--units", po.units, "unit of the coordinates, for the labels (default m)");
    c_plot->add_option("--title", po.title, "title of the picture");

    auto* c_codes = app.add_subcommand("codes", "list the status codes and their messages");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        int rc = app.exit(e);
        return rc == 0 ? 0 : kExitUsage;
    }

    if (c_codes->parsed()) {
        codes();
        return 0;
    }
    if (c_import->parsed()) {
        import_points(imp);
        return 0;
    }
    if (c_export->parsed()) {
        export_file(file, output, what);
        return 0;
    }
    std::string library = library_path(library_option);
    if (c_plot->parsed()) plot(library, po);
    Library lib(library);
    if (c_create->parsed())
        create_test(lib, file, three_d);
    else if (c_generate->parsed())
        generate(lib, file, force);
    else if (c_info->parsed())
        info(lib, file);
    else if (c_query->parsed())
        query(lib, q);
    return 0;
}

}  // namespace
}  // namespace cli

int main(int argc, char** argv) {
    std::string command = "seabed";
    for (int i = 1; i < argc; ++i)
        if (argv[i][0] != '-') {
            command += std::string(" ") + argv[i];
            break;
        }
    try {
        return cli::run(argc, argv);
    } catch (const cli::Failure& e) {
        std::fflush(stdout);
        fmt::print(stderr, "{}: {}\n", command, e.what());
        return e.exit_code();
    } catch (const std::exception& e) {
        fmt::print(stderr, "{}: {}\n", command, e.what());
        return cli::kExitToolFailure;
    }
}
