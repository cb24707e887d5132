#include "support/seabed_files.hpp"

#include "support/files.hpp"

namespace seabed::testing {

void Handmade2D::write(const std::string& path) const {
    RawFile f(path);
    f.put<std::int32_t>(1, {kTestMagic, 1, 8, 4, 2, 7, 2015});
    f.put_bytes(8, "\x01\0\0\0\x04\0\0\0", 8);
    f.put<std::int32_t>(11, {61, 61});
    std::vector<float> block;
    for (int i = 0; i < 4; ++i) {
        block.push_back(x[i]);
        block.push_back(y[i]);
    }
    f.put(12, block);
    std::vector<float> samples(2 * 61 * 2, 9.0f);  // blocks A and B: never read by a loader
    f.put(13, samples);
    f.put(45, spline);
    f.put(46, bessel);
}

void Handmade3D::write(const std::string& path) const {
    RawFile f(path);
    f.put<std::int32_t>(1, {kTestMagic});
    f.put<std::int32_t>(8, {2, 3, 0x3DCCCCCD});
    f.put<std::int32_t>(11, {1, 2, 1, 9});
    f.put(12, nodes);
    f.put(14, triangles);
    f.put(15, iadj);
    f.put(17, istart);
    f.put(18, std::vector<float>(6, 8.0f));      // block 5: sub-nodes
    f.put(19, std::vector<float>(6, 9.0f));      // block 6: normals
    f.put(20, std::vector<std::int32_t>{1, 2, 1});  // block 7
    f.put(21, gradients);
}

}  // namespace seabed::testing
