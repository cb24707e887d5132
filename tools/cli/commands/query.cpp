#include <fmt/format.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <array>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <iterator>
#include <limits>
#include <memory>

#include "commands/commands.hpp"
#include "failure.hpp"
#include "library.hpp"
#include "loaded_seabed.hpp"
#include "paths.hpp"
#include "progress.hpp"
#include "seabed_file.hpp"

namespace cli {
namespace {

using Point = std::array<double, 2>;  // Y, and Z for a 3D surface

std::vector<Point> query_points(const QueryOptions& o, bool three_d) {
    std::vector<Point> pts;
    std::size_t need = three_d ? 2 : 1;
    auto take = [&](const std::vector<std::string>& fields, const std::string& where, bool may_be_header,
                    bool decimal_comma) {
        if (fields.size() < need)
            throw Failure(kExitToolFailure,
                          fmt::format("{}: expected {} but found {} value{}", where, three_d ? "Y,Z" : "Y",
                                      fields.size(), fields.size() == 1 ? "" : "s"));
        Point p{0.0, 0.0};
        for (std::size_t k = 0; k < need; ++k)
            if (!parse_number(fields[k], p[k], decimal_comma)) {
                if (may_be_header) return;
                throw Failure(kExitToolFailure, fmt::format("{}: '{}' is not a finite number", where, fields[k]));
            }
        pts.push_back(p);
    };
    for (const auto& a : o.at) take(split_fields(a, ','), "--at " + a, false, false);
    // Standard input is read unless points were given, and never from a
    // terminal, where the tool would wait for input nobody means to type.
    if (!o.points.empty() || (o.at.empty() && !isatty(STDIN_FILENO))) {
        std::string path = o.points.empty() ? "-" : o.points;
        std::string name = path == "-" ? "standard input" : path;
        std::string text = read_text(path);
        char d = delimiter_of(text, "auto");
        std::int64_t lineno = 0;
        bool first = true;
        for (std::size_t at = 0; at < text.size();) {
            auto end = text.find('\n', at);
            std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
            at = end == std::string::npos ? text.size() : end + 1;
            ++lineno;
            auto a = line.find_first_not_of(" \t\r");
            if (a == std::string::npos || line[a] == '#') continue;
            take(split_fields(line, d), fmt::format("{}:{}", name, lineno), first, d != ',');
            first = false;
        }
    }
    if (pts.empty())
        throw Failure(kExitUsage, "no query points: give them with --at Y[,Z], --points FILE, or on standard input");
    return pts;
}

/// The library's values unrounded; NaN (a slope the library leaves unset)
/// as "nan" whatever its sign.
std::string num(double v) {
    return std::isnan(v) ? "nan" : fmt::format("{}", v);
}

struct Answers {
    std::string csv;
    std::int64_t bad = 0;  // points with a non-zero status
};

Answers query_2d(const Library& lib, const QueryOptions& o, const std::string& method, const std::vector<Point>& pts,
                 const std::array<double, 2>& off, Progress& progress) {
    LoadedSeabed2D::Exports exports(lib);
    auto linear = SEABED_OP(lib, interpolate_2d_linear);
    auto cubic = SEABED_OP(lib, interpolate_2d_cubic);
    std::int32_t type = method == "linear"   ? SEABED_2D_LINEAR
                        : method == "bessel" ? SEABED_2D_BESSEL
                                             : SEABED_2D_SPLINE;
    LoadedSeabed2D seabed(exports, o.file, type);
    const float* profile = values<float>(seabed->profile);
    const float* slopes = values<float>(seabed->slopes);
    std::int32_t n = seabed->n, segment = 0;
    Answers answers;
    auto put = std::back_inserter(answers.csv);
    if (!o.no_header) answers.csv += "y,elevation,slope,segment\n";
    for (std::size_t k = 0; k < pts.size(); ++k) {
        // The file's coordinates have the import offset taken off; the answers give them back.
        double y = pts[k][0] - off[0], x = 0.0, slope = std::nan("");
        if (type == SEABED_2D_LINEAR)
            linear(&y, &n, profile, &x, &slope, &segment);
        else
            cubic(&y, &n, profile, slopes, &x, &slope, &segment);
        fmt::format_to(put, "{},{},{},{}\n", num(pts[k][0]), num(x), num(slope), segment);
        progress.update(static_cast<std::int64_t>(k + 1));
    }
    return answers;
}

Answers query_3d(const Library& lib, const QueryOptions& o, const std::string& method, const std::vector<Point>& pts,
                 const std::array<double, 2>& off, Progress& progress) {
    LoadedSeabed3D::Exports exports(lib);
    auto find = SEABED_OP(lib, find_triangle);
    auto linear = SEABED_OP(lib, interpolate_3d_linear);
    auto cubic = SEABED_OP(lib, interpolate_3d_cubic);
    std::int32_t type = method == "linear" ? SEABED_3D_LINEAR : SEABED_3D_CUBIC;
    LoadedSeabed3D seabed(exports, o.file, type);
    const auto* xyz = values<float>(seabed->nodes);
    const auto* gradients = values<float>(seabed->gradients);
    const auto* adj = values<std::int32_t>(seabed->iadj);
    const auto* first = values<std::int32_t>(seabed->istart);
    std::int32_t n = seabed->n, nadj = seabed->nadj;
    Answers answers;
    auto put = std::back_inserter(answers.csv);
    if (!o.no_header) answers.csv += "y,z,elevation,normal_x,normal_y,normal_z,status,i1,i2,i3\n";
    std::int32_t start = 0, i1 = 0, i2 = 0, i3 = 0;
    for (std::size_t k = 0; k < pts.size(); ++k) {
        double y = pts[k][0] - off[0], z = pts[k][1] - off[1], x = 0.0;
        double normal[3] = {std::nan(""), std::nan(""), std::nan("")};
        std::int32_t st = 0;
        find(&y, &z, &n, &nadj, &seabed->nodes, &seabed->iadj, &seabed->istart, &i1, &i2, &i3);
        if (type == SEABED_3D_LINEAR)
            linear(&y, &z, &n, &nadj, xyz, adj, first, &x, normal, &start, &st);
        else
            cubic(&y, &z, &n, &nadj, xyz, adj, first, gradients, &x, normal, &start, &st);
        // Outside the seabed the library answers the lowest float as elevation;
        // NaN is what other tools read as "no value" (the status stays as given).
        bool outside = !(x > -static_cast<double>(std::numeric_limits<float>::max()));
        if (st != 0 || outside) ++answers.bad;
        if (outside && !o.raw) x = std::nan("");
        fmt::format_to(put, "{},{},{},{},{},{},{},{},{},{}\n", num(pts[k][0]), num(pts[k][1]), num(x), num(normal[0]),
                       num(normal[1]), num(normal[2]), st, i1, i2, i3);
        progress.update(static_cast<std::int64_t>(k + 1));
    }
    return answers;
}

void query(const Library& lib, const QueryOptions& o) {
    SeabedFile f = read_seabed_file(o.file);
    if (!f.is_2d() && !f.is_3d()) throw status_failure(o.file, SEABED_STATUS_NOT_SEABED);
    require_generated(f);
    std::string method = o.method.empty() ? (f.is_2d() ? "spline" : "cubic") : o.method;
    if (f.is_2d() && method != "linear" && method != "bessel" && method != "spline")
        throw Failure(kExitUsage, "a 2D profile is queried with --method linear, bessel or spline, not " + method);
    if (f.is_3d() && method != "linear" && method != "cubic")
        throw Failure(kExitUsage, "a 3D surface is queried with --method linear or cubic, not " + method);
    if (!o.output.empty()) require_folder(o.output);
    auto pts = query_points(o, f.is_3d());
    Progress progress("querying", static_cast<std::int64_t>(pts.size()));
    Answers answers = f.is_2d() ? query_2d(lib, o, method, pts, f.offset(), progress)
                                 : query_3d(lib, o, method, pts, f.offset(), progress);
    if (o.output.empty()) {
        std::fwrite(answers.csv.data(), 1, answers.csv.size(), stdout);
    } else {
        write_atomically(o.output, answers.csv);
    }
    if (answers.bad)
        fmt::print(stderr,
                   "seabed query: {} point{} lie outside the seabed or have a non-zero status (elevation {})\n",
                   answers.bad, answers.bad == 1 ? "" : "s", o.raw ? "as the library returns it" : "NaN");
}

}  // namespace

Command add_query(CLI::App& app) {
    auto o = std::make_shared<QueryOptions>();
    auto* sub = app.add_subcommand("query", "elevation and slope (2D) or unit normal (3D) at points, as CSV");
    sub->add_option("FILE", o->file, "generated seabed file")->required();
    sub->add_option("--method", o->method, "2D: linear, bessel, spline (default); 3D: linear, cubic (default)")
        ->check(CLI::IsMember({"linear", "bessel", "spline", "cubic"}));
    sub->add_option("--at", o->at, "a point: Y (2D) or Y,Z (3D); repeat for more");
    sub->add_option("--points", o->points, "CSV or blank-separated file of points (Y[,Z]); - for standard input");
    sub->add_option("-o,--output", o->output, "write the CSV here instead of standard output");
    sub->add_flag("--no-header", o->no_header, "leave out the CSV header line");
    sub->add_flag("--raw", o->raw, "3D: the library's elevation outside the seabed instead of NaN");
    return {sub, [o](const std::string& library) { query(Library(library_path(library)), *o); }};
}

}  // namespace cli
