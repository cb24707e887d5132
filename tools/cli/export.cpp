#include "export.hpp"

#include <fmt/format.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <iterator>
#include <vector>

#include "failure.hpp"

namespace cli {
namespace {

/// A stored float coordinate with the import offset added back: the float's
/// shortest decimal plus the offset, so 0.1f + 500000 reads 500000.1.
double restored(float v, double off) {
    return off == 0.0 ? static_cast<double>(v) : std::stod(fmt::format("{}", v)) + off;
}

struct Mesh {
    std::string title;
    std::vector<double> points;           // x, y, z per point (file axes), offset added back
    bool doubles = false;                 // the points need double precision (an offset was added)
    std::vector<std::int32_t> triangles;  // 0-based, three per triangle
    bool polyline = false;                // the points in order form one line
    std::vector<float> elevation;
    std::vector<float> normals;  // file axes; empty when none
};

Mesh mesh_of(const SeabedFile& f, const std::string& what) {
    Mesh m;
    const auto off = f.offset();
    m.doubles = off[0] != 0.0 || off[1] != 0.0;
    m.title = fmt::format("seabed {} ({}): {}", f.path, f.type_name(), what);
    if (f.is_2d()) {
        const std::vector<float>* pairs = &f.nodes;
        if (what == "spline")
            pairs = &f.spline_samples;
        else if (what == "bessel")
            pairs = &f.bessel_samples;
        else if (what != "nodes")
            throw Failure(kExitUsage, "a 2D profile exports nodes, spline or bessel, not " + what);
        m.polyline = true;
        for (std::size_t i = 0; i + 1 < pairs->size(); i += 2) {
            float x = (*pairs)[i], y = (*pairs)[i + 1];
            m.points.insert(m.points.end(), {restored(y, off[0]), 0.0, static_cast<double>(x)});
            m.elevation.push_back(x);
        }
        return m;
    }
    bool sub = what == "subnodes" || what == "subtriangles";
    if (!sub && what != "nodes" && what != "triangles")
        throw Failure(kExitUsage, "a 3D surface exports nodes, triangles, subnodes or subtriangles, not " + what);
    const auto& xyz = sub ? f.subnodes : f.nodes;
    const auto& tri = sub ? f.subtriangles : f.triangles;
    std::size_t count = xyz.size() / 3;
    for (std::size_t i = 0; i < count; ++i) {
        m.points.insert(m.points.end(), {restored(xyz[3 * i + 1], off[0]), restored(xyz[3 * i + 2], off[1]),
                                         static_cast<double>(xyz[3 * i])});
        m.elevation.push_back(xyz[3 * i]);
    }
    for (std::size_t t = 0; t < tri.size(); ++t) {
        std::int32_t v = tri[t];
        if (v < 1 || static_cast<std::size_t>(v) > count)
            throw Failure(kExitToolFailure,
                          fmt::format("{}: triangle {} names vertex {} of {}", f.path, t / 3 + 1, v, count));
        m.triangles.push_back(v - 1);
    }
    if (sub)
        for (std::size_t i = 0; i + 2 < f.normals.size(); i += 3)
            m.normals.insert(m.normals.end(), {f.normals[i + 1], f.normals[i + 2], f.normals[i]});
    return m;
}

/// A point coordinate as text: the float it was when no offset came back.
std::string coord(const Mesh& m, double v) {
    return m.doubles ? fmt::format("{}", v) : fmt::format("{}", static_cast<float>(v));
}

std::string xyz_text(const Mesh& m, std::size_t i) {
    return coord(m, m.points[3 * i]) + " " + coord(m, m.points[3 * i + 1]) + " " + coord(m, m.points[3 * i + 2]);
}

std::string vtk(const Mesh& m) {
    std::string s = fmt::format("# vtk DataFile Version 3.0\n{}\nASCII\nDATASET POLYDATA\n", m.title.substr(0, 250));
    auto out = std::back_inserter(s);
    std::size_t n = m.points.size() / 3;
    fmt::format_to(out, "POINTS {} {}\n", n, m.doubles ? "double" : "float");
    for (std::size_t i = 0; i < n; ++i) fmt::format_to(out, "{}\n", xyz_text(m, i));
    if (m.polyline) {
        fmt::format_to(out, "LINES 1 {}\n{}", n + 1, n);
        for (std::size_t i = 0; i < n; ++i) fmt::format_to(out, " {}", i);
        s += "\n";
    } else {
        std::size_t nt = m.triangles.size() / 3;
        fmt::format_to(out, "POLYGONS {} {}\n", nt, 4 * nt);
        for (std::size_t t = 0; t < nt; ++t)
            fmt::format_to(out, "3 {} {} {}\n", m.triangles[3 * t], m.triangles[3 * t + 1], m.triangles[3 * t + 2]);
    }
    fmt::format_to(out, "POINT_DATA {}\nSCALARS elevation float 1\nLOOKUP_TABLE default\n", n);
    for (float e : m.elevation) fmt::format_to(out, "{}\n", e);
    if (!m.normals.empty()) {
        s += "NORMALS normals float\n";
        for (std::size_t i = 0; i < n; ++i)
            fmt::format_to(out, "{} {} {}\n", m.normals[3 * i], m.normals[3 * i + 1], m.normals[3 * i + 2]);
    }
    return s;
}

/// Appends values big-endian, as legacy VTK binary files hold them.
template <class T>
void put_big_endian(std::string& s, T v) {
    static_assert(sizeof(T) == 4 || sizeof(T) == 8);
    char bytes[sizeof(T)];
    std::memcpy(bytes, &v, sizeof(T));
    for (std::size_t k = sizeof(T); k-- > 0;) s += bytes[k];
}

/// The same data set as vtk(), binary: a tenth of the size and read at once
/// for surfaces of millions of points.
std::string vtk_binary(const Mesh& m) {
    std::string s = fmt::format("# vtk DataFile Version 3.0\n{}\nBINARY\nDATASET POLYDATA\n", m.title.substr(0, 250));
    std::size_t n = m.points.size() / 3;
    s += fmt::format("POINTS {} {}\n", n, m.doubles ? "double" : "float");
    for (double v : m.points) {
        if (m.doubles)
            put_big_endian(s, v);
        else
            put_big_endian(s, static_cast<float>(v));
    }
    s += "\n";
    if (m.polyline) {
        s += fmt::format("LINES 1 {}\n", n + 1);
        put_big_endian(s, static_cast<std::int32_t>(n));
        for (std::size_t i = 0; i < n; ++i) put_big_endian(s, static_cast<std::int32_t>(i));
    } else {
        std::size_t nt = m.triangles.size() / 3;
        s += fmt::format("POLYGONS {} {}\n", nt, 4 * nt);
        for (std::size_t t = 0; t < nt; ++t) {
            put_big_endian(s, std::int32_t{3});
            for (int k = 0; k < 3; ++k) put_big_endian(s, m.triangles[3 * t + static_cast<std::size_t>(k)]);
        }
    }
    s += fmt::format("\nPOINT_DATA {}\nSCALARS elevation float 1\nLOOKUP_TABLE default\n", n);
    for (float e : m.elevation) put_big_endian(s, e);
    if (!m.normals.empty()) {
        s += "\nNORMALS normals float\n";
        for (float v : m.normals) put_big_endian(s, v);
    }
    s += "\n";
    return s;
}

std::string obj(const Mesh& m) {
    std::string s = fmt::format("# {}\n# x = Y, y = Z, z = X (elevation up)\n", m.title);
    auto out = std::back_inserter(s);
    std::size_t n = m.points.size() / 3;
    for (std::size_t i = 0; i < n; ++i)
        fmt::format_to(out, "v {}\n", xyz_text(m, i));
    for (std::size_t i = 0; i < m.normals.size() / 3; ++i)
        fmt::format_to(out, "vn {} {} {}\n", m.normals[3 * i], m.normals[3 * i + 1], m.normals[3 * i + 2]);
    if (m.polyline) {
        s += "l";
        for (std::size_t i = 0; i < n; ++i) fmt::format_to(out, " {}", i + 1);
        s += "\n";
    }
    for (std::size_t t = 0; t < m.triangles.size() / 3; ++t) {
        std::int32_t a = m.triangles[3 * t] + 1, b = m.triangles[3 * t + 1] + 1, c = m.triangles[3 * t + 2] + 1;
        if (m.normals.empty())
            fmt::format_to(out, "f {} {} {}\n", a, b, c);
        else
            fmt::format_to(out, "f {0}//{0} {1}//{1} {2}//{2}\n", a, b, c);
    }
    return s;
}

std::string ply(const Mesh& m) {
    std::size_t n = m.points.size() / 3;
    std::string s = fmt::format(
        "ply\nformat ascii 1.0\ncomment {}\ncomment x = Y, y = Z, z = X (elevation up)\n"
        "element vertex {}\nproperty {} x\nproperty {} y\nproperty {} z\n"
        "property float elevation\n",
        m.title, n, m.doubles ? "double" : "float", m.doubles ? "double" : "float", m.doubles ? "double" : "float");
    auto out = std::back_inserter(s);
    if (!m.normals.empty()) s += "property float nx\nproperty float ny\nproperty float nz\n";
    if (m.polyline)
        fmt::format_to(out, "element edge {}\nproperty int vertex1\nproperty int vertex2\n", n ? n - 1 : 0);
    else
        fmt::format_to(out, "element face {}\nproperty list uchar int vertex_indices\n", m.triangles.size() / 3);
    s += "end_header\n";
    for (std::size_t i = 0; i < n; ++i) {
        fmt::format_to(out, "{} {}", xyz_text(m, i), m.elevation[i]);
        if (!m.normals.empty())
            fmt::format_to(out, " {} {} {}", m.normals[3 * i], m.normals[3 * i + 1], m.normals[3 * i + 2]);
        s += "\n";
    }
    if (m.polyline)
        for (std::size_t i = 0; i + 1 < n; ++i) fmt::format_to(out, "{} {}\n", i, i + 1);
    else
        for (std::size_t t = 0; t < m.triangles.size() / 3; ++t)
            fmt::format_to(out, "3 {} {} {}\n", m.triangles[3 * t], m.triangles[3 * t + 1], m.triangles[3 * t + 2]);
    return s;
}

/// Tables put the coordinates first and the elevation after them, the order
/// import reads, so an exported table imports again with the defaults.
std::string csv(const SeabedFile& f, const std::string& what) {
    const auto off = f.offset();
    std::string s;
    auto out = std::back_inserter(s);
    auto place = [&](float y, float z, bool three_d) {
        auto c = [&](float v, double o) {
            return o == 0.0 ? fmt::format("{}", v) : fmt::format("{}", restored(v, o));
        };
        return three_d ? c(y, off[0]) + "," + c(z, off[1]) : c(y, off[0]);
    };
    auto triples = [&](const char* header, const std::vector<float>& xyz, const std::vector<float>& more,
                       std::size_t width, std::size_t count) {
        s += header;
        for (std::size_t i = 0; i < count; ++i) {
            fmt::format_to(out, "{},{}", place(xyz[3 * i + 1], xyz[3 * i + 2], true), xyz[3 * i]);
            for (std::size_t j = 0; j < width; ++j) fmt::format_to(out, ",{}", more[width * i + j]);
            s += "\n";
        }
    };
    auto pairs = [&](const std::vector<float>& xy) {
        s += "y,elevation\n";
        for (std::size_t i = 0; i + 1 < xy.size(); i += 2) fmt::format_to(out, "{},{}\n", place(xy[i + 1], 0, false), xy[i]);
    };
    auto indices = [&](const std::vector<std::int32_t>& tri) {
        s += "i1,i2,i3\n";
        for (std::size_t i = 0; i + 3 <= tri.size(); i += 3) fmt::format_to(out, "{},{},{}\n", tri[i], tri[i + 1], tri[i + 2]);
    };
    if (f.is_2d()) {
        if (what == "nodes") {
            s += "y,elevation,spline_slope,bessel_slope\n";
            for (std::size_t i = 0; i < static_cast<std::size_t>(f.n); ++i)
                fmt::format_to(out, "{},{},{},{}\n", place(f.nodes[2 * i + 1], 0, false), f.nodes[2 * i],
                               f.spline_slopes[i], f.bessel_slopes[i]);
        } else if (what == "spline" || what == "bessel") {
            pairs(what == "spline" ? f.spline_samples : f.bessel_samples);
        } else {
            throw Failure(kExitUsage, "a 2D profile exports nodes, spline or bessel, not " + what);
        }
        return s;
    }
    if (what == "nodes")
        triples("y,z,elevation,gradient_y,gradient_z\n", f.nodes, f.gradients, 2, static_cast<std::size_t>(f.n));
    else if (what == "triangles")
        indices(f.triangles);
    else if (what == "subnodes")
        triples("y,z,elevation,normal_x,normal_y,normal_z\n", f.subnodes, f.normals, 3, static_cast<std::size_t>(f.ns));
    else if (what == "subtriangles")
        indices(f.subtriangles);
    else
        throw Failure(kExitUsage, "a 3D surface exports nodes, triangles, subnodes or subtriangles, not " + what);
    return s;
}

}  // namespace

std::string export_text(const SeabedFile& f, const std::string& what, const std::string& format) {
    require_generated(f);
    if (!f.problems.empty()) throw Failure(kExitToolFailure, f.path + ": " + f.problems.front());
    if (format == "csv") return csv(f, what);
    Mesh m = mesh_of(f, what);
    if (format == "vtk") return vtk(m);
    if (format == "vtk-binary") return vtk_binary(m);
    if (format == "obj") return obj(m);
    if (format == "ply") return ply(m);
    throw Failure(kExitUsage, "unknown export format " + format + " (use .vtk, .obj, .ply or .csv)");
}

}  // namespace cli
