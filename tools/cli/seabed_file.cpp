#include "seabed_file.hpp"

#include <fmt/format.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "core/record_file.hpp"
#include "failure.hpp"
#include "paths.hpp"

namespace cli {
namespace {

// The file layout is the library's own (record size, magic number and stamp,
// where blocks start): one implementation of it, not a copy.
constexpr auto kRecord = static_cast<std::int64_t>(seabed::kRecordBytes);
using seabed::kFirstDataRecord;

class Bytes {
public:
    explicit Bytes(std::vector<char> data) : data_(std::move(data)) {}
    bool has(std::int64_t record, std::int64_t values) const {
        return static_cast<std::int64_t>(data_.size()) >= kRecord * (record - 1) + 4 * values;
    }
    template <class T>
    bool read(std::int64_t record, std::int64_t count, std::vector<T>& out) const {
        static_assert(sizeof(T) == 4);
        if (count < 0 || count > (std::int64_t{1} << 28) || !has(record, count)) return false;
        out.resize(static_cast<std::size_t>(count));
        if (count > 0)
            std::memcpy(out.data(), data_.data() + kRecord * (record - 1), static_cast<std::size_t>(count) * 4);
        return true;
    }
    template <class T>
    T value(std::int64_t record, int index) const {
        T v;
        std::memcpy(&v, data_.data() + kRecord * (record - 1) + 4 * index, 4);
        return v;
    }
    std::string text(std::int64_t record, std::size_t from, std::size_t len) const {
        std::string s(data_.data() + kRecord * (record - 1) + static_cast<std::int64_t>(from), len);
        for (char& c : s)
            if (c == '\0') c = ' ';
        s.erase(s.find_last_not_of(' ') + 1);
        return s;
    }
    std::size_t size() const { return data_.size(); }

private:
    std::vector<char> data_;
};

}  // namespace

std::string offset_note(double y, double z) {
    return fmt::format("offset {} {}", y, z);
}

std::string crs_note(const std::string& crs) {
    return "crs " + crs;
}

std::array<double, 2> SeabedFile::offset() const {
    for (const auto& note : notes) {
        double y = 0.0, z = 0.0;
        if (note.rfind("offset ", 0) == 0 && std::sscanf(note.c_str() + 7, "%lf %lf", &y, &z) == 2) return {y, z};
    }
    return {0.0, 0.0};
}

std::string SeabedFile::crs() const {
    for (const auto& note : notes)
        if (note.rfind("crs ", 0) == 0) return note.substr(4);
    return "";
}

std::string SeabedFile::type_name() const {
    if (type == 1) return "2D profile";
    if (type == 2) return "3D surface";
    return "unknown seabed type " + std::to_string(type);
}

namespace {

/// The whole file, or only its records 1 to 11.
SeabedFile read_records(const std::string& path, bool whole) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) throw status_failure(path, 2);
    std::ifstream in(path, std::ios::binary);
    if (!in) throw status_failure(path, 3);
    std::vector<char> raw;
    if (whole) {
        raw.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } else {
        raw.resize(static_cast<std::size_t>(11 * kRecord));
        in.read(raw.data(), static_cast<std::streamsize>(raw.size()));
        raw.resize(static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad()) throw status_failure(path, 5);
    Bytes b(std::move(raw));
    SeabedFile f;
    f.path = path;
    f.bytes = b.size();
    if (!b.has(1, 1)) throw status_failure(path, 5);
    f.magic = b.value<std::int32_t>(1, 0);
    if (f.magic != seabed::kMagic) throw status_failure(path, 7);
    if (b.has(1, 7)) {
        f.stamped = true;
        for (int i = 1; i < 7; ++i) f.stamped = f.stamped && b.value<std::int32_t>(1, i) == seabed::kGeneratedRecord1[i];
    }
    for (int r = 2; r <= 7; ++r)
        if (b.has(r, 8)) f.notes[r - 2] = b.text(r, 0, 32);
    if (!b.has(8, 3)) throw status_failure(path + ": record 8", 5);
    f.type = b.value<std::int32_t>(8, 0);
    f.n = b.value<std::int32_t>(8, 1);
    f.spacing = b.value<float>(8, 2);
    if (b.has(10, 8)) {
        f.status = static_cast<int>(b.value<std::uint32_t>(9, 0) & 0xFFu);  // the low byte comes first
        // Characters 1..31 (record 9) and 32..63 (record 10) of the message.
        std::string full = b.text(9, 1, 31);
        full.resize(31, ' ');
        full += b.text(10, 0, 32);
        full.erase(full.find_last_not_of(' ') + 1);
        f.message = full;
    }
    f.generated = f.stamped && f.status && *f.status == 0;
    f.components = f.type == 1 ? 2 : 3;
    if (!whole || (f.type != 1 && f.type != 2)) return f;
    if (f.n < 0 || f.n > (1 << 24)) {
        f.problems.push_back("node count " + std::to_string(f.n) + " out of range");
        return f;
    }
    if (!b.read(kFirstDataRecord, std::int64_t{f.components} * f.n, f.nodes)) {
        f.problems.push_back("the node block is truncated");
        f.nodes.clear();
        return f;
    }
    if (!f.generated || !b.has(11, 4)) return f;
    std::int64_t rec = kFirstDataRecord + seabed::block_records(std::int64_t{f.components} * f.n);
    auto next = [&](auto& out, std::int64_t count, const char* what) {
        if (!b.read(rec, count, out)) {
            f.problems.push_back(std::string("the block of ") + what + " is truncated");
            return false;
        }
        rec += seabed::block_records(count);
        return true;
    };
    if (f.is_2d()) {
        f.m = b.value<std::int32_t>(11, 0);
        if (f.m < 0) {
            f.problems.push_back("negative sample count in record 11");
            return f;
        }
        next(f.spline_samples, 2 * std::int64_t{f.m}, "spline samples") &&
            next(f.bessel_samples, 2 * std::int64_t{f.m}, "Bessel samples") &&
            next(f.spline_slopes, f.n, "spline slopes") && next(f.bessel_slopes, f.n, "Bessel slopes");
    } else {
        f.nt = b.value<std::int32_t>(11, 0);
        f.ns = b.value<std::int32_t>(11, 1);
        f.nst = b.value<std::int32_t>(11, 2);
        f.nadj = b.value<std::int32_t>(11, 3);
        if (f.nt < 0 || f.ns < 0 || f.nst < 0 || f.nadj < 0) {
            f.problems.push_back("negative counts in record 11");
            return f;
        }
        next(f.triangles, 3 * std::int64_t{f.nt}, "triangles") && next(f.iadj, f.nadj, "neighbour lists") &&
            next(f.istart, f.n, "list starts") && next(f.subnodes, 3 * std::int64_t{f.ns}, "sub-nodes") &&
            next(f.normals, 3 * std::int64_t{f.ns}, "sub-node normals") &&
            next(f.subtriangles, 3 * std::int64_t{f.nst}, "sub-node triangles") &&
            next(f.gradients, 2 * std::int64_t{f.n}, "gradients");
    }
    return f;
}

}  // namespace

SeabedFile read_seabed_file(const std::string& path) {
    return read_records(path, true);
}

SeabedFile read_seabed_header(const std::string& path) {
    return read_records(path, false);
}

void require_generated(const SeabedFile& f) {
    if (f.generated) return;
    if (f.status && *f.status != 0)
        throw Failure(kExitToolFailure,
                      fmt::format("{}: generation failed with status {}{}; fix the cause (seabed info {} shows it) "
                                  "and run seabed generate again",
                                  f.path, *f.status, f.message.empty() ? "" : " (" + f.message + ")", f.path));
    if (!f.generated)
        throw Failure(kExitToolFailure, f.path + " holds no generated seabed (run seabed generate first)");
}

std::vector<char> input_file_bytes(std::int32_t type, std::int32_t n, float spacing,
                                   const std::array<std::string, 6>& notes, const std::vector<float>& nodes) {
    std::vector<char> out(static_cast<std::size_t>(kRecord * (kFirstDataRecord - 1)), '\0');
    std::memcpy(out.data(), &seabed::kMagic, 4);
    for (int r = 0; r < 6; ++r) {
        std::string text = notes[r].substr(0, 32);
        text.resize(32, ' ');
        std::memcpy(out.data() + kRecord * (r + 1), text.data(), 32);
    }
    std::memcpy(out.data() + kRecord * 7, &type, 4);
    std::memcpy(out.data() + kRecord * 7 + 4, &n, 4);
    std::memcpy(out.data() + kRecord * 7 + 8, &spacing, 4);
    std::size_t block = static_cast<std::size_t>(seabed::block_records(static_cast<std::int64_t>(nodes.size())) * kRecord);
    std::size_t at = out.size();
    out.resize(at + block, '\0');
    if (!nodes.empty()) std::memcpy(out.data() + at, nodes.data(), nodes.size() * 4);
    return out;
}

AtomicFile::AtomicFile(const std::string& path) : path_(path) {
    namespace fs = std::filesystem;
    fs::path target(path);
    require_folder(path);
    fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::error_code ec;
    if (fs::is_directory(target, ec)) throw Failure(kExitToolFailure, "cannot write " + path + ": it is a folder");
    std::string hidden = ".";  // built in steps: GCC 12 warns falsely on "." + string
    hidden += target.filename().string();
    hidden += ".XXXXXX";
    temp_ = (dir / hidden).string();
    fd_ = mkstemp(temp_.data());
    if (fd_ < 0) throw Failure(kExitToolFailure, "cannot write " + path + ": " + std::strerror(errno));
}

AtomicFile::~AtomicFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_) ::unlink(temp_.c_str());
}

void AtomicFile::write(const char* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        ssize_t w = ::write(fd_, data + done, size - done);
        if (w <= 0) fail(errno);
        done += static_cast<std::size_t>(w);
    }
}

void AtomicFile::commit() {
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) fail(errno);
    mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(temp_.c_str(), 0666 & ~mask);
    std::error_code ec;
    std::filesystem::rename(temp_, path_, ec);
    if (ec) fail(ec.value());
    committed_ = true;
}

void AtomicFile::fail(int err) {
    throw Failure(kExitToolFailure, "cannot write " + path_ + ": " + std::strerror(err ? err : EIO));
}

namespace {

void write_bytes_atomically(const std::string& path, const char* data, std::size_t size) {
    AtomicFile file(path);
    file.write(data, size);
    file.commit();
}

}  // namespace

void write_atomically(const std::string& path, const std::vector<char>& data) {
    write_bytes_atomically(path, data.data(), data.size());
}

void write_atomically(const std::string& path, const std::string& data) {
    write_bytes_atomically(path, data.data(), data.size());
}

}  // namespace cli
