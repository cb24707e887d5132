// The triangulation peer of bench/peers.py: CGAL's Delaunay triangulation of
// the points of a raw file of float32 (y, z) pairs, inserted with their index
// as info (CGAL sorts them spatially first). Prints the CPU seconds of the
// insertion and the vertex and face counts.
#include <CGAL/Delaunay_triangulation_2.h>
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Triangulation_vertex_base_with_info_2.h>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <utility>
#include <vector>

using K = CGAL::Exact_predicates_inexact_constructions_kernel;
using Vb = CGAL::Triangulation_vertex_base_with_info_2<unsigned, K>;
using Tds = CGAL::Triangulation_data_structure_2<Vb>;
using Delaunay = CGAL::Delaunay_triangulation_2<K, Tds>;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: cgal_delaunay POINTS.f32\n");
        return 2;
    }
    std::vector<float> v;
    {
        std::ifstream f(argv[1], std::ios::binary | std::ios::ate);
        const auto bytes = static_cast<std::size_t>(f.tellg());
        v.resize(bytes / sizeof(float));
        f.seekg(0);
        f.read(reinterpret_cast<char*>(v.data()), static_cast<std::streamsize>(v.size() * sizeof(float)));
    }
    std::vector<std::pair<K::Point_2, unsigned>> points;
    points.reserve(v.size() / 2);
    for (std::size_t i = 0; i + 1 < v.size(); i += 2) points.emplace_back(K::Point_2(v[i], v[i + 1]), unsigned(i / 2));
    const std::clock_t t0 = std::clock();
    Delaunay dt;
    dt.insert(points.begin(), points.end());
    const double seconds = double(std::clock() - t0) / CLOCKS_PER_SEC;
    std::printf("%.6f %zu %zu\n", seconds, dt.number_of_vertices(), dt.number_of_faces());
    return 0;
}
