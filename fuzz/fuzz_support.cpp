#include "fuzz_support.hpp"

#include <unistd.h>

#include <fstream>
#include <sstream>

namespace fuzz {

std::string scratch(const char* name) {
    static const std::string dir = [] {
        char tmpl[] = "/tmp/seabed-fuzz-XXXXXX";
        const char* d = ::mkdtemp(tmpl);
        if (!d) std::abort();
        return std::string(d);
    }();
    return dir + "/" + name;
}

void write_file(const std::string& path, const void* data, std::size_t size) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!f) std::abort();
}

std::string read_file(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

std::vector<std::uint8_t> GenerateInput::encode() const {
    std::vector<std::uint8_t> out(5 + 4 * values.size());
    out[0] = static_cast<std::uint8_t>((three_d ? 1 : 0) | (short_block ? 2 : 0));
    std::memcpy(&out[1], &spacing, 4);
    if (!values.empty()) std::memcpy(&out[5], values.data(), 4 * values.size());
    return out;
}

GenerateInput decode_generate(const std::uint8_t* data, std::size_t size) {
    Bytes b(data, size);
    GenerateInput g;
    const auto flags = b.take<std::uint8_t>();
    g.three_d = flags & 1;
    g.short_block = flags & 2;
    g.spacing = b.take<float>();
    const std::size_t width = g.three_d ? 3 : 2;
    const std::size_t nodes = b.left() / 4 / width;
    for (std::size_t i = 0; i < nodes * width; ++i) g.values.push_back(b.take<float>());
    return g;
}

void write_input(const std::string& path, const GenerateInput& g) {
    const std::int32_t width = g.three_d ? 3 : 2;
    const std::int32_t n = static_cast<std::int32_t>(g.values.size()) / width + (g.short_block ? 1 : 0);
    std::vector<char> bytes(11 * 32 + 4 * g.values.size(), '\0');
    const std::int32_t magic = 0x0FF26702, type = g.three_d ? 2 : 1;
    std::memcpy(&bytes[0], &magic, 4);
    std::memcpy(&bytes[7 * 32], &type, 4);
    std::memcpy(&bytes[7 * 32 + 4], &n, 4);
    std::memcpy(&bytes[7 * 32 + 8], &g.spacing, 4);
    if (!g.values.empty()) std::memcpy(&bytes[11 * 32], g.values.data(), 4 * g.values.size());
    write_file(path, bytes.data(), bytes.size());
}

}  // namespace fuzz
