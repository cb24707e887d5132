// Damaged meshes and hostile points through the 3D queries: the located
// triangle is either the hint left alone, "outside", "degenerate" or three
// nodes of the mesh; the interpolations end in a described status, keep
// their start node in range and return unit normals.
#include <cmath>

#include "fuzz_support.hpp"

namespace {

void describe(seabed_desc1& d, void* base, std::int64_t n) {
    d = seabed_desc1{};
    d.base = base;
    d.elem_len = 4;
    d.flags = 0x85;
    d.rank = 1;
    d.dim[0] = {n, 4, 1};
}

bool valid_triangle(std::int32_t n, const std::int32_t t[3]) {
    for (int k = 0; k < 3; ++k)
        if (t[k] < 1 || t[k] > n) return false;
    return true;
}

void check_interpolation(std::int32_t n, std::int32_t start, std::int32_t status, const double normal[3]) {
    FUZZ_CHECK(fuzz::in(status, {0, 42, 43, 44}));
    FUZZ_CHECK(start >= 0 && start <= n);
    if (status == 0 && std::isfinite(normal[0]) && std::isfinite(normal[1]) && std::isfinite(normal[2])) {
        const double len = std::sqrt(normal[0] * normal[0] + normal[1] * normal[1] + normal[2] * normal[2]);
        FUZZ_CHECK(std::fabs(len - 1.0) < 1.0e-6);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Bytes b(data, size);
    const std::int32_t n = 3 + b.take<std::uint8_t>() % 30;
    const std::int32_t nadj = b.take<std::uint8_t>();
    const bool raw_indices = b.take<std::uint8_t>() & 1;  // else near the valid range
    double y = b.take<double>(), z = b.take<double>();
    std::vector<float> nodes(3 * static_cast<std::size_t>(n)), gradients(2 * static_cast<std::size_t>(n));
    for (float& v : nodes) v = b.take<float>();
    for (float& v : gradients) v = b.take<float>();
    const auto index = [&](std::int32_t limit) {
        return raw_indices ? b.take<std::int32_t>() : static_cast<std::int32_t>(b.take<std::uint8_t>() % (limit + 2)) - 1;
    };
    std::vector<std::int32_t> iadj(static_cast<std::size_t>(nadj) + 1), istart(static_cast<std::size_t>(n));
    for (auto& v : iadj) v = index(n);
    for (auto& v : istart) v = index(nadj);

    seabed_desc2 nd{};
    nd.base = nodes.data();
    nd.elem_len = 4;
    nd.flags = 0x85;
    nd.rank = 2;
    nd.dim[0] = {n, 4, 1};
    nd.dim[1] = {3, 4 * std::int64_t{n}, 1};
    seabed_desc1 ia, is;
    describe(ia, iadj.data(), nadj);
    describe(is, istart.data(), n);

    const std::int32_t hint[3] = {b.take<std::int32_t>(), b.take<std::int32_t>(), b.take<std::int32_t>()};
    std::int32_t t[3] = {hint[0], hint[1], hint[2]};
    find_triangle(&y, &z, &n, &nadj, &nd, &ia, &is, &t[0], &t[1], &t[2]);
    const bool unchanged = t[0] == hint[0] && t[1] == hint[1] && t[2] == hint[2];
    const bool outside = t[0] == -1 && t[1] == 0 && t[2] == 0;
    FUZZ_CHECK(unchanged || outside || t[0] == -3 || valid_triangle(n, t));

    double x = 0, normal[3] = {0, 0, 0};
    std::int32_t start = 1 + static_cast<std::int32_t>(b.take<std::uint8_t>()) % n, status = -1;
    interpolate_3d_linear(&y, &z, &n, &nadj, nodes.data(), iadj.data(), istart.data(), &x, normal, &start, &status);
    check_interpolation(n, start, status, normal);
    status = -1;
    interpolate_3d_cubic(&y, &z, &n, &nadj, nodes.data(), iadj.data(), istart.data(), gradients.data(), &x, normal,
                         &start, &status);
    check_interpolation(n, start, status, normal);
    return 0;
}
