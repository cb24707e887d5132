#include "support/generate_3d_files.hpp"

#include "support/files.hpp"
#include "support/seabed_files.hpp"

namespace seabed::testing {

void write_3d_input(const std::string& path, const std::vector<float>& values, float spacing, std::int32_t n) {
    if (n < 0) n = static_cast<std::int32_t>(values.size() / 3);
    RawFile f(path);
    f.put<std::int32_t>(1, {kTestMagic});
    std::int32_t spacing_bits = 0;
    static_assert(sizeof spacing == sizeof spacing_bits);
    __builtin_memcpy(&spacing_bits, &spacing, 4);
    f.put<std::int32_t>(8, {2, n, spacing_bits});
    if (!values.empty()) f.put<float>(12, values);
}

int status_in_file(const std::string& path) {
    return static_cast<unsigned char>(RawFile(path).get(9, 1)[0]);
}

std::string message_in_file(const std::string& path) {
    RawFile f(path);
    auto r9 = f.get(9, 32), r10 = f.get(10, 32);
    return std::string(r9.begin() + 1, r9.end()) + std::string(r10.begin(), r10.end());
}

std::string padded63(const std::string& text) { return text + std::string(63 - text.size(), ' '); }

}  // namespace seabed::testing
