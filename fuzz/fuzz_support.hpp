// What the fuzz targets share: a scratch folder per process, whole-file
// reads and writes, the byte layouts the targets decode (which the seed
// maker encodes), and the oracle check that turns a wrong answer into a
// crash libFuzzer reports.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "seabed.h"

namespace fuzz {

/// Aborts with the failed oracle's text; libFuzzer keeps the input.
#define FUZZ_CHECK(cond)                                                               \
    do {                                                                               \
        if (!(cond)) {                                                                 \
            std::fprintf(stderr, "oracle failed: %s (%s:%d)\n", #cond, __FILE__, __LINE__); \
            std::abort();                                                              \
        }                                                                              \
    } while (0)

/// A file in this process's own scratch folder (removed by the system's
/// temporary file cleaning, not by us: libFuzzer ends with _exit).
std::string scratch(const char* name);
void write_file(const std::string& path, const void* data, std::size_t size);
std::string read_file(const std::string& path);

inline bool in(int v, std::initializer_list<int> set) {
    for (int s : set)
        if (v == s) return true;
    return false;
}

/// Reads values from the fuzzer's bytes front to back, zeros past the end.
class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : p_(data), left_(size) {}
    template <class T>
    T take() {
        T v{};
        const std::size_t n = left_ < sizeof v ? left_ : sizeof v;
        std::memcpy(&v, p_, n);
        p_ += n;
        left_ -= n;
        return v;
    }
    std::size_t left() const { return left_; }

private:
    const std::uint8_t* p_;
    std::size_t left_;
};

/// Generation input: byte 0 (bit 0: 3D, bit 1: record 8 claims one node
/// more than the block holds), the spacing (float), then (X, Y) or (X, Y, Z)
/// float nodes.
struct GenerateInput {
    bool three_d = false;
    bool short_block = false;
    float spacing = 1.0f;
    std::vector<float> values;
    std::vector<std::uint8_t> encode() const;
};
GenerateInput decode_generate(const std::uint8_t* data, std::size_t size);

/// Writes the seabed input file of g the way a host does.
void write_input(const std::string& path, const GenerateInput& g);

}  // namespace fuzz
