// A host that drives the library through a fixed sequence of calls and prints
// every answer: file hashes, loaded arrays and query results, reals as the hex
// of their bits. Built for Linux and for Windows, its two outputs must be the
// same text.
//
// Usage: seabed_trace [LIBRARY]   (default: the library built beside it)
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <utility>
#include <vector>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

#include "abi/host.hpp"
#include "support/files.hpp"

namespace seabed::testing {
namespace {

std::string out;

void line(const std::string& s) {
    out += s;
    out += '\n';
}

std::string hex(std::uint64_t v, int digits) {
    static const char* d = "0123456789abcdef";
    std::string s(static_cast<std::size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i, v >>= 4) s[static_cast<std::size_t>(i)] = d[v & 15];
    return s;
}

std::string bits(double v) {
    std::uint64_t u;
    std::memcpy(&u, &v, 8);
    return hex(u, 16);
}

std::string num(std::int64_t v) { return std::to_string(v); }

// FNV-1a: a digest to print instead of whole files and arrays.
std::uint64_t fnv(const void* data, std::size_t n) {
    auto* p = static_cast<const unsigned char*>(data);
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (std::size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 0x100000001b3ull;
    return h;
}

std::string file_digest(const std::string& path) {
    std::string b = bytes_of(path);
    return num(static_cast<std::int64_t>(b.size())) + " bytes " + hex(fnv(b.data(), b.size()), 16);
}

template <class D>
std::string array_digest(const D& d) {
    if (!d.base) return "unallocated";
    std::int64_t count = 1;
    std::string shape;
    for (std::int64_t r = 0; r < d.rank && r < static_cast<std::int64_t>(sizeof d.dim / sizeof d.dim[0]); ++r) {
        count *= d.dim[r].extent;
        if (r) shape += 'x';
        shape += num(d.dim[r].extent);
    }
    if (count < 0 || count > (1 << 28)) return "bad extent " + shape;
    return shape + " " + hex(fnv(d.base, static_cast<std::size_t>(count * d.elem_len)), 16);
}

// A small integer generator so the inputs are the same everywhere and every
// coordinate is exactly representable.
struct Lcg {
    std::uint32_t s = 20250101u;
    std::uint32_t next(std::uint32_t n) {
        s = s * 1103515245u + 12345u;
        return (s >> 8) % n;
    }
};

void write_2d_input(const std::string& path) {
    RawFile f(path);
    f.put<std::int32_t>(1, {kTestMagic});
    f.put<std::int32_t>(8, {1, 12});
    std::vector<float> nodes;
    Lcg g;
    float y = -3.0f;
    for (int i = 0; i < 12; ++i) {
        nodes.push_back(-20.0f + static_cast<float>(g.next(64)) * 0.0625f);
        nodes.push_back(y);
        y += 0.25f + static_cast<float>(g.next(32)) * 0.125f;
    }
    f.put(12, nodes);
}

void write_3d_nodes(const std::string& path) {
    std::vector<float> nodes;
    Lcg g;
    for (int i = 0; i < 120; ++i) {
        nodes.push_back(-50.0f + static_cast<float>(g.next(256)) * 0.0625f);
        nodes.push_back(static_cast<float>(g.next(1000)) * 0.125f);
        nodes.push_back(static_cast<float>(g.next(1000)) * 0.125f);
    }
    for (int i = 0; i < 5; ++i)  // a square lattice: four nodes on every circle, the swap test's tie
        for (int j = 0; j < 5; ++j) {
            float fi = static_cast<float>(i), fj = static_cast<float>(j);
            nodes.insert(nodes.end(), {-45.0f + fi + fj, 130.0f + 4.0f * fi, 20.0f + 4.0f * fj});
        }
    nodes.insert(nodes.end(), {-40.0f, nodes[13], nodes[14]});  // a duplicate of node 5's position
    write_input(path, 2, nodes, 12.5f);
}

/// Inputs that generation refuses, each leaving its status and message in the
/// file: a 2D profile whose Y goes back, 3D nodes all on one line, too few 3D nodes.
void write_bad_inputs(const std::string& back, const std::string& line3, const std::string& few) {
    RawFile(back).put<std::int32_t>(1, {kTestMagic}).put<std::int32_t>(8, {1, 5}).put(
        12, std::vector<float>{0.0f, 0.0f, 1.0f, 1.0f, 2.0f, 3.0f, 3.0f, 2.5f, 4.0f, 4.0f});
    std::vector<float> collinear;
    for (int i = 0; i < 9; ++i) {
        float f = static_cast<float>(i);
        collinear.insert(collinear.end(), {f, 2.0f * f, 1.0f + 0.5f * f});
    }
    write_input(line3, 2, collinear, 1.0f);
    write_input(few, 2, {1.0f, 0.0f, 0.0f, 2.0f, 1.0f, 1.0f}, 1.0f);
}

class Trace {
public:
    explicit Trace(const char* library) : host_(library) {}

    void run() {
        std::string in2 = dir_.path("input2d.sbd"), in3 = dir_.path("input3d.sbd");
        std::string test2 = dir_.path("test2d.sbd"), test3 = dir_.path("test3d.sbd");
        write_2d_input(in2);
        write_3d_nodes(in3);
        line("input 2d: " + file_digest(in2));
        line("input 3d: " + file_digest(in3));
        create_test_file(test2, 1);
        create_test_file(test3, 2);
        bool gen2 = generate(in2), gen3 = generate(in3);
        std::string back = dir_.path("back.sbd"), line3 = dir_.path("line.sbd"), few = dir_.path("few.sbd");
        write_bad_inputs(back, line3, few);
        generate(back);
        generate(line3);
        generate(few);
        open(back);
        open(dir_.path("missing.sbd"));
        RawFile(back).put<std::int32_t>(1, {kTestMagic + 1});
        open(back);
        bool gen_test2 = generate(test2), gen_test3 = generate(test3);

        // Hand-made generated files too, so the loaders and queries run before generation does.
        std::string hand2 = dir_.path("hand2d.sbd"), hand3 = dir_.path("hand3d.sbd");
        Handmade2D().write(hand2);
        Handmade3D().write(hand3);
        line("section 2d");
        queries_2d(hand2);
        if (gen2) queries_2d(in2);
        if (gen_test2) queries_2d(test2);
        line("section 3d");
        queries_3d(hand3);
        if (gen3) queries_3d(in3);
        if (gen_test3) queries_3d(test3);
    }

private:
    template <class F>
    F* find(const char* name) {
        return host_.get<F>(name);
    }

    void create_test_file(const std::string& path, std::int32_t type) {
        auto* create = find<decltype(::seabed_create_test_file)>("seabed_create_test_file");
        create(static_cast<std::int32_t>(path.size()), path.data(), type);
        line("create_test_file type " + num(type) + ": " + file_digest(path));
    }

    bool generate(const std::string& path) {
        auto* gen = find<decltype(::seabed_generate)>("seabed_generate");
        std::int32_t status = -99, duplicates = -99;
        gen(static_cast<std::int32_t>(path.size()), path.data(), &status, &duplicates);
        line("generate: status " + num(status) + " duplicates " + num(duplicates) + " " + file_digest(path));
        return status == 0;
    }

    void open(const std::string& path) {
        auto* open_file = find<decltype(::open_seabed_file)>("open_seabed_file");
        std::int32_t unit = 70, status = -99;
        open_file(static_cast<std::int32_t>(path.size()), path.data(), &unit, &status);
        line("open: status " + num(status));
    }

    void queries_2d(const std::string& path) {
        auto* load = find<decltype(::load_seabed_2d)>("load_seabed_2d");
        auto* release = find<decltype(::free_seabed_2d)>("free_seabed_2d");
        std::int32_t len = static_cast<std::int32_t>(path.size()), unit = 71, n = 0, status = -99;
        seabed_desc2 profile{};
        seabed_desc1 slopes{};
        for (std::int32_t type : {0, 2, 3}) {
            std::int64_t memory = 0;
            load(&len, path.data(), &unit, &type, &n, &profile, &slopes, &memory, &status);
            line("load_2d type " + num(type) + ": status " + num(status) + " n " + num(n) + " memory " +
                 num(memory) + " profile " + array_digest(profile) + " slopes " + array_digest(slopes));
            if (status != 0 || n < 1 || !profile.base) continue;
            const auto* p = static_cast<const float*>(profile.base);
            float ymin = p[n], ymax = p[2 * n - 1];
            std::vector<double> ys;
            for (int i = 0; i <= 64; ++i)
                ys.push_back(static_cast<double>(ymin) - 1.0 + (static_cast<double>(ymax) - static_cast<double>(ymin) + 2.0) * i / 64.0);
            for (std::int32_t i = 0; i < n; ++i) ys.push_back(static_cast<double>(p[n + i]));
            query_2d(p, n, slopes, ys, type);
        }
        release(&profile, &slopes);
    }

    void query_2d(const float* profile, std::int32_t n, const seabed_desc1& slopes, const std::vector<double>& ys,
                  std::int32_t type) {
        auto* segment = find<decltype(::find_segment)>("find_segment");
        auto* linear = find<decltype(::interpolate_2d_linear)>("interpolate_2d_linear");
        auto* cubic = find<decltype(::interpolate_2d_cubic)>("interpolate_2d_cubic");
        std::int32_t walk = 1, lin_seg = 0, cub_seg = 0;
        for (double y : ys) {
            std::string s = "y " + bits(y);
            std::int32_t bisect = 0;
            segment(profile, &n, &y, &bisect);
            segment(profile, &n, &y, &walk);
            s += " seg " + num(bisect) + " " + num(walk);
            double lx = -1.0, lslope = -2.0;
            linear(&y, &n, profile, &lx, &lslope, &lin_seg);
            s += " lin " + bits(lx) + " " + bits(lslope) + " " + num(lin_seg);
            if (type != 0 && slopes.base) {
                double x = -1.0, slope = -2.0;
                cubic(&y, &n, profile, static_cast<const float*>(slopes.base), &x, &slope, &cub_seg);
                s += " cub " + bits(x) + " " + bits(slope) + " " + num(cub_seg);
            }
            line(s);
        }
    }

    void queries_3d(const std::string& path) {
        auto* load = find<decltype(::load_seabed_3d)>("load_seabed_3d");
        auto* release = find<decltype(::free_seabed_3d)>("free_seabed_3d");
        std::int32_t len = static_cast<std::int32_t>(path.size()), unit = 72, n = 0, nt = 0, nadj = 0, status = -99;
        seabed_desc2 nodes{}, gradients{};
        seabed_desc1 iadj{}, istart{};
        for (std::int32_t type : {0, 1}) {
            std::int64_t memory = 0;
            load(&len, path.data(), &unit, &type, &n, &nt, &nadj, &nodes, &gradients, &iadj, &istart, &memory,
                 &status);
            line("load_3d type " + num(type) + ": status " + num(status) + " n " + num(n) + " nt " + num(nt) +
                 " nadj " + num(nadj) + " memory " + num(memory) + " nodes " + array_digest(nodes) + " gradients " +
                 array_digest(gradients) + " iadj " + array_digest(iadj) + " istart " + array_digest(istart));
            if (status != 0 || n < 1 || !nodes.base) continue;
            const auto* p = static_cast<const float*>(nodes.base);
            float ylo = p[n], yhi = p[n], zlo = p[2 * n], zhi = p[2 * n];
            for (std::int32_t i = 0; i < n; ++i) {
                ylo = std::min(ylo, p[n + i]), yhi = std::max(yhi, p[n + i]);
                zlo = std::min(zlo, p[2 * n + i]), zhi = std::max(zhi, p[2 * n + i]);
            }
            std::vector<std::pair<double, double>> points;
            const int steps = 24;
            for (int i = 0; i <= steps; ++i)
                for (int j = 0; j <= steps; ++j)
                    points.emplace_back(double(ylo) - 0.05 * double(yhi - ylo) + 1.1 * double(yhi - ylo) * i / steps,
                                        double(zlo) - 0.05 * double(zhi - zlo) + 1.1 * double(zhi - zlo) * j / steps);
            for (std::int32_t i = 0; i < n; ++i) points.emplace_back(p[n + i], p[2 * n + i]);
            query_3d(n, nadj, nodes, gradients, iadj, istart, points, type);
        }
        release(&nodes, &gradients, &iadj, &istart);
    }

    void query_3d(std::int32_t n, std::int32_t nadj, const seabed_desc2& nodes, const seabed_desc2& gradients,
                  const seabed_desc1& iadj, const seabed_desc1& istart,
                  const std::vector<std::pair<double, double>>& points, std::int32_t type) {
        auto* locate = find<decltype(::find_triangle)>("find_triangle");
        auto* linear = find<decltype(::interpolate_3d_linear)>("interpolate_3d_linear");
        auto* cubic = find<decltype(::interpolate_3d_cubic)>("interpolate_3d_cubic");
        std::int32_t i1 = 0, i2 = 0, i3 = 0, lin_start = 1, cub_start = 1;
        for (auto [y, z] : points) {
            std::string s = "yz " + bits(y) + " " + bits(z);
            locate(&y, &z, &n, &nadj, &nodes, &iadj, &istart, &i1, &i2, &i3);
            s += " tri " + num(i1) + " " + num(i2) + " " + num(i3);
            {
                double x = -1.0, normal[3] = {-2.0, -2.0, -2.0};
                std::int32_t status = -99;
                linear(&y, &z, &n, &nadj, static_cast<const float*>(nodes.base),
                       static_cast<const std::int32_t*>(iadj.base), static_cast<const std::int32_t*>(istart.base), &x,
                       normal, &lin_start, &status);
                s += " lin " + num(status) + " " + bits(x) + " " + bits(normal[0]) + " " + bits(normal[1]) + " " +
                     bits(normal[2]) + " " + num(lin_start);
            }
            if (type == 1 && gradients.base) {
                double x = -1.0, normal[3] = {-2.0, -2.0, -2.0};
                std::int32_t status = -99;
                cubic(&y, &z, &n, &nadj, static_cast<const float*>(nodes.base),
                      static_cast<const std::int32_t*>(iadj.base), static_cast<const std::int32_t*>(istart.base),
                      static_cast<const float*>(gradients.base), &x, normal, &cub_start, &status);
                s += " cub " + num(status) + " " + bits(x) + " " + bits(normal[0]) + " " + bits(normal[1]) + " " +
                     bits(normal[2]) + " " + num(cub_start);
            }
            line(s);
        }
    }

    Host host_;
    ScratchDir dir_;
};

}  // namespace
}  // namespace seabed::testing

int main(int argc, char** argv) {
#if defined(_WIN32)
    _setmode(_fileno(stdout), _O_BINARY);  // the same bytes as on Linux: no CR before each LF
#endif
    try {
        seabed::testing::Trace trace(argc > 1 ? argv[1] : SEABED_LIBRARY_PATH);
        trace.run();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "seabed_trace: %s\n", e.what());
        return 1;
    }
    std::fwrite(seabed::testing::out.data(), 1, seabed::testing::out.size(), stdout);
    return 0;
}
