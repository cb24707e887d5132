#include "export.hpp"

#include <fmt/format.h>

#include <cstdint>
#include <iterator>
#include <vector>

#include "failure.hpp"

namespace cli {
namespace {

struct Mesh {
    std::string title;
    std::vector<float> points;            // x, y, z per point (file axes)
    std::vector<std::int32_t> triangles;  // 0-based, three per triangle
    bool polyline = false;                // the points in order form one line
    std::vector<float> elevation;
    std::vector<float> normals;  // file axes; empty when none
};

Mesh mesh_of(const SeabedFile& f, const std::string& what) {
    Mesh m;
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
            m.points.insert(m.points.end(), {y, 0.0f, x});
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
        m.points.insert(m.points.end(), {xyz[3 * i + 1], xyz[3 * i + 2], xyz[3 * i]});
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

std::string vtk(const Mesh& m) {
    std::string s = fmt::format("# vtk DataFile Version 3.0\n{}\nASCII\nDATASET POLYDATA\n", m.title.substr(0, 250));
    auto out = std::back_inserter(s);
    std::size_t n = m.points.size() / 3;
    fmt::format_to(out, "POINTS {} float\n", n);
    for (std::size_t i = 0; i < n; ++i)
        fmt::format_to(out, "{} {} {}\n", m.points[3 * i], m.points[3 * i + 1], m.points[3 * i + 2]);
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

std::string obj(const Mesh& m) {
    std::string s = fmt::format("# {}\n# x = Y, y = Z, z = X (elevation up)\n", m.title);
    auto out = std::back_inserter(s);
    std::size_t n = m.points.size() / 3;
    for (std::size_t i = 0; i < n; ++i)
        fmt::format_to(out, "v {} {} {}\n", m.points[3 * i], m.points[3 * i + 1], m.points[3 * i + 2]);
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
        "element vertex {}\nproperty float x\nproperty float y\nproperty float z\n"
        "property float elevation\n",
        m.title, n);
    auto out = std::back_inserter(s);
    if (!m.normals.empty()) s += "property float nx\nproperty float ny\nproperty float nz\n";
    if (m.polyline)
        fmt::format_to(out, "element edge {}\nproperty int vertex1\nproperty int vertex2\n", n ? n - 1 : 0);
    else
        fmt::format_to(out, "element face {}\nproperty list uchar int vertex_indices\n", m.triangles.size() / 3);
    s += "end_header\n";
    for (std::size_t i = 0; i < n; ++i) {
        fmt::format_to(out, "{} {} {} {}", m.points[3 * i], m.points[3 * i + 1], m.points[3 * i + 2], m.elevation[i]);
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

std::string csv(const SeabedFile& f, const std::string& what) {
    std::string s;
    auto out = std::back_inserter(s);
    auto table = [&](const char* header, const auto& values, std::size_t width) {
        s += header;
        s += "\n";
        for (std::size_t i = 0; i + width <= values.size(); i += width) {
            for (std::size_t j = 0; j < width; ++j) fmt::format_to(out, "{}{}", j ? "," : "", values[i + j]);
            s += "\n";
        }
    };
    if (f.is_2d()) {
        if (what == "nodes") {
            s += "x,y,spline_slope,bessel_slope\n";
            for (std::size_t i = 0; i < static_cast<std::size_t>(f.n); ++i)
                fmt::format_to(out, "{},{},{},{}\n", f.nodes[2 * i], f.nodes[2 * i + 1], f.spline_slopes[i],
                               f.bessel_slopes[i]);
        } else if (what == "spline") {
            table("x,y", f.spline_samples, 2);
        } else if (what == "bessel") {
            table("x,y", f.bessel_samples, 2);
        } else {
            throw Failure(kExitUsage, "a 2D profile exports nodes, spline or bessel, not " + what);
        }
        return s;
    }
    if (what == "nodes") {
        s += "x,y,z,gradient_y,gradient_z\n";
        for (std::size_t i = 0; i < static_cast<std::size_t>(f.n); ++i)
            fmt::format_to(out, "{},{},{},{},{}\n", f.nodes[3 * i], f.nodes[3 * i + 1], f.nodes[3 * i + 2],
                           f.gradients[2 * i], f.gradients[2 * i + 1]);
    } else if (what == "triangles") {
        table("i1,i2,i3", f.triangles, 3);
    } else if (what == "subnodes") {
        s += "x,y,z,normal_x,normal_y,normal_z\n";
        for (std::size_t i = 0; i < static_cast<std::size_t>(f.ns); ++i)
            fmt::format_to(out, "{},{},{},{},{},{}\n", f.subnodes[3 * i], f.subnodes[3 * i + 1], f.subnodes[3 * i + 2],
                           f.normals[3 * i], f.normals[3 * i + 1], f.normals[3 * i + 2]);
    } else if (what == "subtriangles") {
        table("i1,i2,i3", f.subtriangles, 3);
    } else {
        throw Failure(kExitUsage, "a 3D surface exports nodes, triangles, subnodes or subtriangles, not " + what);
    }
    return s;
}

}  // namespace

std::string export_text(const SeabedFile& f, const std::string& what, const std::string& format) {
    require_generated(f);
    if (!f.problems.empty()) throw Failure(kExitToolFailure, f.path + ": " + f.problems.front());
    if (format == "csv") return csv(f, what);
    Mesh m = mesh_of(f, what);
    if (format == "vtk") return vtk(m);
    if (format == "obj") return obj(m);
    if (format == "ply") return ply(m);
    throw Failure(kExitUsage, "unknown export format " + format + " (use .vtk, .obj, .ply or .csv)");
}

}  // namespace cli
