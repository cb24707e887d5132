// Seabed files read and written by the tool itself: the host's part (record
// 1, notes, record 8, the node block) for import, and every result block for
// info and export, which the loaders do not return. Record n lies at byte
// 32 * (n - 1); a block of values is one contiguous run of bytes from its
// first record.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cli {

struct SeabedFile {
    std::string path;
    std::uint64_t bytes = 0;
    std::int32_t magic = 0;
    bool stamped = false;
    std::array<std::string, 6> notes;
    std::int32_t type = 0;
    std::int32_t n = 0;
    float spacing = 0.0f;
    std::optional<int> status;  // record 9's status byte, when the record exists
    std::string message;
    bool generated = false;    // stamped and status 0
    int components = 0;        // 2 (X, Y) or 3 (X, Y, Z)
    std::vector<float> nodes;  // n * components, node after node
    // 2D results
    std::int32_t m = 0;
    std::vector<float> spline_samples, bessel_samples, spline_slopes, bessel_slopes;
    // 3D results
    std::int32_t nt = 0, ns = 0, nst = 0, nadj = 0;
    std::vector<std::int32_t> triangles, iadj, istart, subtriangles;
    std::vector<float> subnodes, normals, gradients;
    std::vector<std::string> problems;  // what could not be read

    std::string type_name() const;
    /// The offset import took off Y and Z (a notes record "offset Y Z"),
    /// added back to every coordinate the tool writes; zero when none.
    std::array<double, 2> offset() const;
    /// The coordinate reference a notes record "crs ..." names; empty when none.
    std::string crs() const;
    bool is_2d() const { return type == 1; }
    bool is_3d() const { return type == 2; }
};

/// The notes record that keeps an offset, and the one that keeps a CRS.
std::string offset_note(double y, double z);
std::string crs_note(const std::string& crs);

/// Reads everything the file holds. Throws Failure (status 2, 5 or 7 as the
/// library would report them) when it is missing, unreadable or not a seabed file.
SeabedFile read_seabed_file(const std::string& path);

/// The same for records 1 to 11 only (type, counts, notes, status): bytes,
/// nodes and the result blocks are left empty.
SeabedFile read_seabed_header(const std::string& path);

/// Throws Failure unless f holds a generated seabed: the loaders and the
/// result blocks trust counts that an input file does not have yet.
void require_generated(const SeabedFile& f);

/// The bytes of an input file: magic, six notes, record 8, empty records 9
/// to 11 and the node block (values node after node, X first).
std::vector<char> input_file_bytes(std::int32_t type, std::int32_t n, float spacing,
                                   const std::array<std::string, 6>& notes, const std::vector<float>& nodes);

/// A file written through a temporary file beside it and moved over path by
/// commit(), so that a failure leaves path untouched; the temporary file goes
/// away with the object unless committed. Throws Failure on any failure.
class AtomicFile {
public:
    explicit AtomicFile(const std::string& path);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    void write(const char* data, std::size_t size);
    void commit();

private:
    [[noreturn]] void fail(int err);
    std::string path_, temp_;
    int fd_ = -1;
    bool committed_ = false;
};

/// Writes data to path through a temporary file beside it, so that a failure
/// leaves path untouched. Throws Failure on any failure.
void write_atomically(const std::string& path, const std::string& data);
void write_atomically(const std::string& path, const std::vector<char>& data);

}  // namespace cli
