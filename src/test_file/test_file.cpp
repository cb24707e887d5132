#include "test_file/test_file.hpp"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <vector>

#include "core/random.hpp"
#include "core/record_file.hpp"

namespace seabed {
namespace {

constexpr std::int32_t kTestFileUnit = 123;  // the unit of seabed_generate
constexpr char kNotes[] = "User_Notes_User_Notes_User_Notes";
static_assert(sizeof kNotes == 33);

std::atomic<std::int32_t> g_calls{0};
std::mutex g_log_dir_lock;
std::string g_log_dir;

/// A + (B - A) * r in float, as written out at each use below.
float rand_real(float a, float b) { return a + (b - a) * random_uniform(); }
/// A + trunc((B - A) * r) in float: A .. B - 1 (B when r rounds to 1).
std::int32_t rand_int(float a, float b) {
    return static_cast<std::int32_t>(a + std::trunc((b - a) * random_uniform()));
}

void write_values(std::FILE* f, const std::vector<float>& nodes, int component, int stride) {
    for (std::size_t i = static_cast<std::size_t>(component); i < nodes.size(); i += static_cast<std::size_t>(stride))
        std::fprintf(f, " %.9g", static_cast<double>(nodes[i]));
    std::fputc('\n', f);
}

/// The log of one 3D test seabed: nine lines, one per item. A log that cannot
/// be written is skipped; the seabed file does not depend on it.
void write_log(std::int32_t call, float spacing, std::int32_t n, const std::vector<float>& nodes) {
    std::FILE* f = std::fopen(test_log_path().c_str(), "w");
    if (!f) return;
    std::fprintf(f, " %d\n", call);
    std::fprintf(f, " %.9g\n", static_cast<double>(spacing));
    std::fprintf(f, " %d\n", n);
    write_values(f, nodes, 0, 3);
    std::fprintf(f, " blah\n");
    write_values(f, nodes, 1, 3);
    std::fprintf(f, " %d\n", n);
    std::fprintf(f, " blah\n");
    write_values(f, nodes, 2, 3);
    std::fclose(f);
}

}  // namespace

std::string test_log_path() {
    {
        std::lock_guard<std::mutex> guard(g_log_dir_lock);
        if (!g_log_dir.empty()) return (std::filesystem::path(g_log_dir) / "file3.txt").string();
    }
#if defined(_WIN32)
    return "C:\\Temp\\file3.txt";
#else
    std::error_code ec;
    std::filesystem::path dir = std::filesystem::temp_directory_path(ec);
    if (ec) dir = "/tmp";
    return (dir / "file3.txt").string();
#endif
}

void set_test_log_directory_for_tests(const std::string& dir) {
    std::lock_guard<std::mutex> guard(g_log_dir_lock);
    g_log_dir = dir;
}

void reset_test_file_counter_for_tests() { g_calls = 0; }

void seabed_create_test_file(const std::string& name, std::int32_t type) {
    // Only types 1 and 2 exist: any other type touches no file at all.
    if (type != 1 && type != 2) return;
    FileSystem& fs = file_system();
    if (fs.exists(name) && !fs.remove(name)) return;
    RecordFile* file = open_unit(kTestFileUnit, name);
    if (!file) return;

    std::int32_t n = 0;
    float spacing = 0.0f;
    std::vector<float> nodes;  // components of a node adjacent
    if (type == 2) {
        (void)random_uniform();
        (void)random_uniform();
        const std::int32_t call = ++g_calls;
        n = rand_int(3.0f, 20.0f);
        if (0.5f > random_uniform()) n = rand_int(20.0f, 1000.0f);
        const float xmax = rand_real(0.2f, 20.0f);
        const float ymax = rand_real(10.0f, 1000.0f);
        const float zmax = rand_real(10.0f, 1000.0f);
        spacing = rand_real(0.001f, 0.1f) * (ymax > zmax ? ymax : zmax);
        nodes.resize(static_cast<std::size_t>(n) * 3);
        for (std::size_t i = 0; i < nodes.size(); i += 3) {
            nodes[i] = rand_real(0.0f, xmax);
            nodes[i + 1] = rand_real(0.0f, ymax);
            nodes[i + 2] = rand_real(0.0f, zmax);
        }
        write_log(call, spacing, n, nodes);
    } else {
        n = 4;
        spacing = 0.1f;
        nodes = {0.0f, 0.0f, 0.05f, 0.1f, 0.05f, 0.9f, 0.0f, 1.0f};
    }

    bool ok = file->write_bytes(1, &kMagic, 4);
    for (std::int64_t record = 2; ok && record <= 7; ++record) ok = file->write_bytes(record, kNotes, 32);
    if (ok) {
        const std::int32_t header[2] = {type, n};
        unsigned char rec8[12];
        std::memcpy(rec8, header, 8);
        std::memcpy(rec8 + 8, &spacing, 4);
        ok = file->write_bytes(8, rec8, sizeof rec8);
    }
    if (ok) (void)file->write_values(kFirstDataRecord, nodes.data(), static_cast<std::int64_t>(nodes.size()));
    close_unit(kTestFileUnit);
}

}  // namespace seabed
