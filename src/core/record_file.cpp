#include "core/record_file.hpp"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "core/library_state.hpp"

namespace seabed {

bool RecordFile::write_bytes(std::int64_t record, const void* src, std::size_t nbytes) {
    if (nbytes > kRecordBytes) return false;
    std::array<char, kRecordBytes> buffer{};
    std::memcpy(buffer.data(), src, nbytes);
    return stream_->write(record, buffer.data(), buffer.size());
}

bool RecordFile::write_values(std::int64_t record, const void* src, std::int64_t count) {
    if (count <= 0) return true;
    const std::size_t nbytes = static_cast<std::size_t>(count) * 4;
    const std::size_t whole = nbytes / kRecordBytes * kRecordBytes;
    if (whole > 0 && !stream_->write(record, src, whole)) return false;
    if (whole == nbytes) return true;
    return write_bytes(record + static_cast<std::int64_t>(whole / kRecordBytes),
                       static_cast<const char*>(src) + whole, nbytes - whole);
}

bool block_present(RecordFile& file, std::int64_t record, std::int64_t count) {
    if (count <= 0) return true;
    const std::int64_t last = record + (count - 1) / 8;
    const std::size_t bytes = static_cast<std::size_t>((count - 1) % 8 + 1) * 4;
    std::array<char, kRecordBytes> probe;
    return file.read_bytes(last, probe.data(), bytes);
}

bool read_rows(RecordFile& file, std::int64_t record, std::int64_t n, int width, float* columns) {
    constexpr std::int64_t kChunkValues = 8 * 8192;
    const std::int64_t total = n * width;
    // a multiple of 8 and of width: every chunk starts on a record and on a row
    const std::int64_t step = kChunkValues / (8 * width) * (8 * width);
    std::vector<float> chunk(static_cast<std::size_t>(std::min(total, step)));
    for (std::int64_t done = 0; done < total; done += step) {
        const std::int64_t count = std::min(step, total - done);
        if (!file.read_values(record + done / 8, chunk.data(), count)) return false;
        const std::int64_t row0 = done / width;
        for (std::int64_t v = 0; v < count; ++v)
            columns[(v % width) * n + row0 + v / width] = chunk[static_cast<std::size_t>(v)];
    }
    return true;
}

std::string file_name(const char* name, std::int64_t length) {
    if (name == nullptr || length <= 0) return {};
    std::size_t n = static_cast<std::size_t>(length);
    const void* nul = std::memchr(name, '\0', n);
    if (nul) n = static_cast<std::size_t>(static_cast<const char*>(nul) - name);
    while (n > 0 && name[n - 1] == ' ') --n;
    return std::string(name, n);
}

RecordFile* open_unit(std::int32_t unit, const std::string& name) {
    auto& units = library_state().units;
    units.erase(unit);  // a unit holds one file: reopening it closes the old one
    auto stream = file_system().open(name);
    if (!stream) return nullptr;
    auto [it, inserted] = units.emplace(unit, std::make_unique<RecordFile>(std::move(stream)));
    return it->second.get();
}

RecordFile* unit_file(std::int32_t unit) {
    auto& units = library_state().units;
    auto it = units.find(unit);
    return it == units.end() ? nullptr : it->second.get();
}

void close_unit(std::int32_t unit) { library_state().units.erase(unit); }

}  // namespace seabed
