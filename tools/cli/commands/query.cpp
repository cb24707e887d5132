#include <fmt/compile.h>
#include <fmt/format.h>
#include <unistd.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <iterator>
#include <limits>
#include <memory>
#include <optional>
#include <string_view>
#include <type_traits>
#include <vector>

#include "batch_library.hpp"
#include "commands/commands.hpp"
#include "failure.hpp"
#include "huge_pages.hpp"
#include "library.hpp"
#include "loaded_seabed.hpp"
#include "number_text.hpp"
#include "paths.hpp"
#include "progress.hpp"
#include "seabed_file.hpp"

namespace cli {
namespace {

using Point = std::array<double, 2>;  // Y, and Z for a 3D surface

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

/// The first `need` numbers of a plain line (no quotes, no decimal commas,
/// numbers from_chars reads whole, of magnitude 0 or 1e-300 to 1e300): what
/// split_fields and parse_number make of it. False for anything else, which
/// takes their road. d is a comma, a semicolon, a tab or ' ' (runs of
/// blanks): never part of a number, so each number is read where its field
/// starts and the field's rest must be blank, in one pass over the line.
/// may_quote: the text holds quotes somewhere (else no line is looked at for them).
bool plain_numbers(std::string_view line, char d, std::size_t need, bool may_quote, Point& p) {
    // two scans for one character each: find_first_of would look up every
    // character of the line in the set
    if (may_quote && (line.find('"') != std::string_view::npos || line.find('\'') != std::string_view::npos))
        return false;
    const char* at = line.data();
    const char* const end = at + line.size();
    const auto field_blank = [d](char c) { return is_blank(c) && (d == ' ' || c != d); };
    for (std::size_t k = 0; k < need; ++k) {
        if (at == nullptr) return false;  // the line ended with the field before
        while (at != end && field_blank(at[0])) ++at;
        if (at == end || at[0] == d) return false;  // an empty field
        const auto r = std::from_chars(at, end, p[k]);
        if (r.ec != std::errc()) return false;
        at = r.ptr;
        if (d == ' ') {
            if (at != end && !is_blank(at[0])) return false;
            continue;
        }
        while (at != end && field_blank(at[0])) ++at;
        if (at != end && at[0] != d) return false;  // more in the field than the number (a decimal comma, say)
        at = at == end ? nullptr : at + 1;
    }
    // near the ends of the range strtod may report ERANGE where from_chars does not
    for (std::size_t k = 0; k < need; ++k) {
        const double m = std::abs(p[k]);
        if (!(m == 0.0 || (m >= 1.0e-300 && m <= 1.0e300))) return false;
    }
    return true;
}

/// The points as read, a column each: Y, and Z for a 3D surface.
struct QueryPoints {
    std::vector<double> y, z;
    void add(const Point& p, bool three_d) {
        y.push_back(p[0]);
        if (three_d) z.push_back(p[1]);
    }
};

QueryPoints query_points(const QueryOptions& o, bool three_d) {
    QueryPoints pts;
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
        pts.add(p, three_d);
    };
    for (const auto& a : o.at) take(split_fields(a, ','), "--at " + a, false, false);
    // Standard input is read unless points were given, and never from a
    // terminal, where the tool would wait for input nobody means to type.
    if (!o.points.empty() || (o.at.empty() && !isatty(STDIN_FILENO))) {
        std::string path = o.points.empty() ? "-" : o.points;
        std::string name = path == "-" ? "standard input" : path;
        std::string text = read_text(path);
        char d = delimiter_of(text, "auto");
        std::size_t lines = 1;
        for (const char c : text) lines += c == '\n' ? 1 : 0;  // a loop the compiler vectorises, unlike std::count
        const auto reserve = [lines](std::vector<double>& column) {
            if (!seabed::try_reserve_large(column, static_cast<std::int64_t>(column.size() + lines)))
                throw std::bad_alloc();
        };
        reserve(pts.y);
        if (three_d) reserve(pts.z);
        const bool may_quote = text.find('"') != std::string::npos || text.find('\'') != std::string::npos;
        std::int64_t lineno = 0;
        bool first = true;
        for (std::size_t at = 0; at < text.size();) {
            auto end = text.find('\n', at);
            std::string_view line(text.data() + at, (end == std::string::npos ? text.size() : end) - at);
            at = end == std::string::npos ? text.size() : end + 1;
            ++lineno;
            std::size_t a = 0;
            while (a < line.size() && (line[a] == ' ' || line[a] == '\t' || line[a] == '\r')) ++a;
            if (a == line.size() || line[a] == '#') continue;
            Point p{0.0, 0.0};
            if (plain_numbers(line, d, need, may_quote, p))
                pts.add(p, three_d);
            else
                take(split_fields(std::string(line), d), fmt::format("{}:{}", name, lineno), first, d != ',');
            first = false;
        }
    }
    if (pts.y.empty())
        throw Failure(kExitUsage, "no query points: give them with --at Y[,Z], --points FILE, or on standard input");
    return pts;
}

/// The library's values unrounded, as fmt's "{}" writes them; NaN (a slope
/// the library leaves unset) as "nan" whatever its sign.
char* num(char* out, double v) {
    if (std::isnan(v)) {
        std::memcpy(out, "nan", 3);
        return out + 3;
    }
    return shortest_double(out, v);
}

/// Appends one CSV line of numbers (doubles, or integers written as they are).
template <class... T>
void put_line(std::string& csv, const T&... values) {
    char line[512];
    static_assert(sizeof...(T) * (kDoubleTextRoom + 1) < sizeof line, "room for every number's text");
    char* out = line;
    bool comma = false;
    const auto one = [&](const auto& v) {
        if (comma) *out++ = ',';
        comma = true;
        if constexpr (std::is_floating_point_v<std::decay_t<decltype(v)>>)
            out = num(out, v);
        else
            out = fmt::format_to(out, FMT_COMPILE("{}"), v);
    };
    (one(values), ...);
    *out++ = '\n';
    csv.append(line, static_cast<std::size_t>(out - line));
}

/// Where the CSV goes, a piece at a time: standard output, or the output
/// file, replaced only when all of it is written.
class CsvOut {
public:
    explicit CsvOut(const std::string& output) : output_(output) { text_.reserve(kPiece + 1024); }
    std::string& text() { return text_; }
    /// Writes what has gathered once it passes a piece.
    void line_done() {
        if (text_.size() >= kPiece) flush();
    }
    void finish() {
        flush();
        if (file_) file_->commit();
    }

private:
    static constexpr std::size_t kPiece = std::size_t{1} << 20;
    void flush() {
        if (output_.empty()) {
            std::fwrite(text_.data(), 1, text_.size(), stdout);
        } else {
            if (!file_) file_.emplace(output_);
            file_->write(text_.data(), text_.size());
        }
        text_.clear();
    }
    std::string output_, text_;
    std::optional<AtomicFile> file_;
};

struct Answers {
    std::int64_t bad = 0;  // points with a non-zero status
};

/// The coordinates as the file has them, with its import offset taken off:
/// the points as read when the offset is +0 (v - +0 is v, to the bit), else
/// a copy in `shifted`.
double* less_offset(std::vector<double>& read, double off, std::vector<double>& shifted) {
    if (off == 0.0 && !std::signbit(off)) return read.data();
    shifted = large_vector(read.size(), 0.0);
    for (std::size_t k = 0; k < read.size(); ++k) shifted[k] = read[k] - off;
    return shifted.data();
}

Answers query_2d(const Library& lib, const QueryOptions& o, const std::string& method, QueryPoints& pts,
                 const std::array<double, 2>& off, Progress& progress, CsvOut& out) {
    LoadedSeabed2D::Exports exports(lib);
    auto linear = SEABED_OP(lib, interpolate_2d_linear);
    auto cubic = SEABED_OP(lib, interpolate_2d_cubic);
    std::int32_t type = method == "linear"   ? SEABED_2D_LINEAR
                        : method == "bessel" ? SEABED_2D_BESSEL
                                             : SEABED_2D_SPLINE;
    LoadedSeabed2D seabed(exports, o.file, type);
    const float* profile = values<float>(seabed->profile);
    const float* slopes = values<float>(seabed->slopes);
    std::int32_t n = seabed->n;
    const std::size_t count = pts.y.size();
    // The file's coordinates have the import offset taken off; the answers give them back.
    std::vector<double> shifted;
    double* y = less_offset(pts.y, off[0], shifted);
    auto x = large_vector(count, 0.0), slope = large_vector(count, std::nan(""));
    auto segment = large_vector(count, std::int32_t{0});
    BatchLibrary batch(lib);
    if (batch.available()) {
        // sorted points carry the segment, others bisect: on a generated
        // profile (Y increasing) the segments a carried hint finds
        if (batch.query_2d(type == SEABED_2D_LINEAR ? 0 : 1, static_cast<std::int64_t>(count), y, n, profile,
                           slopes, x.data(), slope.data(), segment.data()) != 0)
            throw status_failure("seabed_batch_2d", SEABED_STATUS_NO_MEMORY);
        progress.update(static_cast<std::int64_t>(count));
    } else {
        std::int32_t seg = 0;
        for (std::size_t k = 0; k < count; ++k) {
            if (type == SEABED_2D_LINEAR)
                linear(&y[k], &n, profile, &x[k], &slope[k], &seg);
            else
                cubic(&y[k], &n, profile, slopes, &x[k], &slope[k], &seg);
            segment[k] = seg;
            progress.update(static_cast<std::int64_t>(k + 1));
        }
    }
    if (!o.no_header) out.text() += "y,elevation,slope,segment\n";
    for (std::size_t k = 0; k < count; ++k) {
        put_line(out.text(), pts.y[k], x[k], slope[k], segment[k]);
        out.line_done();
    }
    return {};
}

Answers query_3d(const Library& lib, const QueryOptions& o, const std::string& method, QueryPoints& pts,
                 const std::array<double, 2>& off, Progress& progress, CsvOut& out) {
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
    const std::size_t count = pts.y.size();
    std::vector<double> shifted_y, shifted_z;
    double* y = less_offset(pts.y, off[0], shifted_y);
    double* z = less_offset(pts.z, off[1], shifted_z);
    auto x = large_vector(count, 0.0), normal = large_vector(3 * count, std::nan(""));
    auto status = large_vector(count, std::int32_t{0}), triangle = large_vector(3 * count, std::int32_t{0});
    BatchLibrary batch(lib);
    if (batch.available()) {
        // Each walk starts a step or two from its point (see seabed_batch.h);
        // the arrays are copied for the batch when there are points enough to
        // repay it. Chosen: from n points on, between the 2n that scattered
        // points need and the n / 2 of points in raster order.
        BatchSeabed3D prepared(batch, batch.prepare_3d(n, nadj, xyz, adj, first, gradients,
                                                       static_cast<std::int64_t>(count) >= n ? 1 : 0));
        if (!prepared.get() ||
            batch.query_3d(prepared.get(), type == SEABED_3D_LINEAR ? 0 : 1, static_cast<std::int64_t>(count),
                           y, z, x.data(), normal.data(), status.data(), nullptr, triangle.data(),
                           1) != 0)
            throw status_failure("seabed_batch_3d", SEABED_STATUS_NO_MEMORY);
        progress.update(static_cast<std::int64_t>(count));
    } else {
        std::int32_t start = 0, i1 = 0, i2 = 0, i3 = 0;
        for (std::size_t k = 0; k < count; ++k) {
            find(&y[k], &z[k], &n, &nadj, &seabed->nodes, &seabed->iadj, &seabed->istart, &i1, &i2, &i3);
            if (type == SEABED_3D_LINEAR)
                linear(&y[k], &z[k], &n, &nadj, xyz, adj, first, &x[k], &normal[3 * k], &start, &status[k]);
            else
                cubic(&y[k], &z[k], &n, &nadj, xyz, adj, first, gradients, &x[k], &normal[3 * k], &start, &status[k]);
            triangle[3 * k] = i1;
            triangle[3 * k + 1] = i2;
            triangle[3 * k + 2] = i3;
            progress.update(static_cast<std::int64_t>(k + 1));
        }
    }
    Answers answers;
    if (!o.no_header) out.text() += "y,z,elevation,normal_x,normal_y,normal_z,status,i1,i2,i3\n";
    for (std::size_t k = 0; k < count; ++k) {
        // Outside the seabed the library answers the lowest float as elevation;
        // NaN is what other tools read as "no value" (the status stays as given).
        double xk = x[k];
        bool outside = !(xk > -static_cast<double>(std::numeric_limits<float>::max()));
        if (status[k] != 0 || outside) ++answers.bad;
        if (outside && !o.raw) xk = std::nan("");
        put_line(out.text(), pts.y[k], pts.z[k], xk, normal[3 * k], normal[3 * k + 1], normal[3 * k + 2], status[k],
                 triangle[3 * k], triangle[3 * k + 1], triangle[3 * k + 2]);
        out.line_done();
    }
    return answers;
}

void query(const Library& lib, const QueryOptions& o) {
#ifdef __GLIBC__
    // Blocks freed by one stage stay with the process for the next (the
    // text's for the loaded seabed, the batch's work space) instead of going
    // back to the system and coming again as fresh pages, a fault each: a
    // fifth of the time of a million points.
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, std::numeric_limits<int>::max());
#endif
    SeabedFile f = read_seabed_header(o.file);
    if (!f.is_2d() && !f.is_3d()) throw status_failure(o.file, SEABED_STATUS_NOT_SEABED);
    require_generated(f);
    std::string method = o.method.empty() ? (f.is_2d() ? "spline" : "cubic") : o.method;
    if (f.is_2d() && method != "linear" && method != "bessel" && method != "spline")
        throw Failure(kExitUsage, "a 2D profile is queried with --method linear, bessel or spline, not " + method);
    if (f.is_3d() && method != "linear" && method != "cubic")
        throw Failure(kExitUsage, "a 3D surface is queried with --method linear or cubic, not " + method);
    if (!o.output.empty()) require_folder(o.output);
    auto pts = query_points(o, f.is_3d());
    Progress progress("querying", static_cast<std::int64_t>(pts.y.size()));
    CsvOut out(o.output);
    Answers answers = f.is_2d() ? query_2d(lib, o, method, pts, f.offset(), progress, out)
                                 : query_3d(lib, o, method, pts, f.offset(), progress, out);
    out.finish();
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
