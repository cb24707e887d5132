#include "support/files.hpp"

#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace seabed::testing {

ScratchDir::ScratchDir() {
    std::random_device rd;
    dir_ = std::filesystem::temp_directory_path() / ("seabed-test-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(dir_);
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

RawFile& RawFile::put_bytes(std::int64_t record, const void* data, std::size_t nbytes) {
    if (!std::filesystem::exists(path_)) std::ofstream(path_, std::ios::binary).flush();
    std::fstream f(path_, std::ios::binary | std::ios::in | std::ios::out);
    f.seekp((record - 1) * 32);
    f.write(static_cast<const char*>(data), static_cast<std::streamsize>(nbytes));
    if (!f) throw std::runtime_error("cannot write " + path_);
    return *this;
}

std::vector<char> RawFile::get(std::int64_t record, std::size_t nbytes) const {
    std::ifstream f(path_, std::ios::binary);
    f.seekg((record - 1) * 32);
    std::vector<char> out(nbytes);
    f.read(out.data(), static_cast<std::streamsize>(nbytes));
    if (!f) throw std::runtime_error("short read of " + path_);
    return out;
}

std::string RawFile::contents() const { return bytes_of(path_); }

void Handmade2D::write(const std::string& path) const {
    RawFile f(path);
    f.put<std::int32_t>(1, {kTestMagic, 1, 8, 4, 2, 7, 2015});
    f.put<std::int32_t>(8, {1, 4});
    f.put<std::int32_t>(11, {61, 61});
    std::vector<float> block;
    for (std::size_t i = 0; i < 4; ++i) block.insert(block.end(), {x[i], y[i]});
    f.put(12, block);
    f.put(13, std::vector<float>(2 * 61 * 2, 9.0f));  // blocks A and B: never read by a loader
    f.put(45, spline);
    f.put(46, bessel);
}

void Handmade3D::write(const std::string& path) const {
    RawFile f(path);
    f.put<std::int32_t>(1, {kTestMagic});
    f.put<std::int32_t>(8, {2, 3, 0x3DCCCCCD});
    f.put<std::int32_t>(11, {1, 2, 1, 9});
    f.put(12, nodes);
    f.put<std::int32_t>(14, {1, 2, 3});
    f.put(15, iadj);
    f.put(17, istart);
    f.put(18, std::vector<float>(6, 8.0f));         // block 5: sub-nodes
    f.put(19, std::vector<float>(6, 9.0f));         // block 6: normals
    f.put(20, std::vector<std::int32_t>{1, 2, 1});  // block 7
    f.put(21, gradients);
}

void write_input(const std::string& path, std::int32_t type, const std::vector<float>& values, float spacing,
                 std::optional<std::int32_t> n) {
    std::int32_t spacing_bits = 0;
    std::memcpy(&spacing_bits, &spacing, 4);
    RawFile f(path);
    f.put<std::int32_t>(1, {kTestMagic});
    f.put<std::int32_t>(8, {type, n.value_or(static_cast<std::int32_t>(values.size() / (type == 1 ? 2 : 3))), spacing_bits});
    if (!values.empty()) f.put(12, values);
}

int status_in_file(const std::string& path) { return static_cast<unsigned char>(RawFile(path).get(9, 1)[0]); }

std::string message_in_file(const std::string& path) {
    auto r = RawFile(path).get(9, 64);
    return std::string(r.begin() + 1, r.end());
}

std::string bytes_of(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

namespace {

class FaultyStream final : public RecordStream {
public:
    FaultyStream(std::unique_ptr<RecordStream> inner, FaultyFileSystem& fs) : inner_(std::move(inner)), fs_(fs) {}
    // Transfers go record by record so that a failure lands on one record and
    // everything before it is really done.
    bool read(std::int64_t record, void* dst, std::size_t nbytes) override {
        auto* p = static_cast<char*>(dst);
        for (std::size_t done = 0; done < nbytes; done += kRecordBytes, ++record) {
            if (++fs_.reads == fs_.fail_read_at) return false;
            if (!inner_->read(record, p + done, std::min(kRecordBytes, nbytes - done))) return false;
        }
        return true;
    }
    bool write(std::int64_t record, const void* src, std::size_t nbytes) override {
        auto* p = static_cast<const char*>(src);
        for (std::size_t done = 0; done < nbytes; done += kRecordBytes, ++record) {
            const std::size_t n = std::min(kRecordBytes, nbytes - done);
            if (++fs_.writes == fs_.fail_write_at) {
                if (fs_.tear) (void)inner_->write(record, p + done, n / 2);
                return false;
            }
            if (!inner_->write(record, p + done, n)) return false;
        }
        return true;
    }
    std::int64_t size() override { return inner_->size(); }
    bool writable() const override { return inner_->writable(); }
    bool sync() override { return inner_->sync(); }

private:
    std::unique_ptr<RecordStream> inner_;
    FaultyFileSystem& fs_;
};

}  // namespace

std::unique_ptr<RecordStream> FaultyFileSystem::open(const std::string& path) {
    if (fail_open) return nullptr;
    auto inner = native_file_system().open(path);
    if (!inner) return nullptr;
    return std::make_unique<FaultyStream>(std::move(inner), *this);
}

}  // namespace seabed::testing
