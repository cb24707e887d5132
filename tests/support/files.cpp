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
