#include "core/seabed_parameters.hpp"

#include <cstring>
#include <string_view>

#include "core/library_state.hpp"
#include "core/record_file.hpp"

namespace seabed {
namespace {

// Messages of the codes that have a text of their own; empty for codes whose
// text is blank (0, 1) or composed from a family prefix (20..43).
constexpr std::string_view kMessages[] = {
    "",                                                              // 0
    "",                                                              // 1
    "Seabed file does not exist",                                    // 2
    "Failed to open seabed file",                                    // 3
    "Failed to close seabed file",                                   // 4
    "Failed to read seabed file",                                    // 5
    "Failed to write to seabed file",                                // 6
    "Invalid seabed file",                                           // 7
    "Incompatible seabed file version",                              // 8
    "Specified file is not a seabed file",                           // 9
    "Specified seabed file is not a 2D seabed",                      // 10
    "Specified seabed file is not a 3D seabed",                      // 11
    "Insufficient memory available for allocation of seabed data",   // 12
    "Invalid interpolation type",                                    // 13
    "Y-values should be strictly increasing for 2D interpolation",   // 14
    "Failed to achieve convergence of gradient values",              // 15
    "Number of nodes insufficient for seabed interpolation",         // 16
    "The longest distance between input nodes is too small",         // 17
    "Distance between two input nodes in y-z plane is too small",    // 18
    "There are three adjacent input nodes collinear",                // 19
};
constexpr std::string_view kSmallTriangle = "Three input nodes collinear or forming too small triangle";  // 44
constexpr std::string_view kBadNodeCount = "Number of nodes in present triangulation is invalid";           // 45

std::string_view family_prefix(std::int32_t code) {
    if (code >= 20 && code <= 30) return "Allocating Error: ";
    if (code >= 31 && code <= 41) return "Triangulating Error: ";
    return "Interpolating Error: ";  // 42, 43
}

}  // namespace

bool seabed_error_message(std::int32_t code, Text63& text) {
    if (code < 0 || code > 45) return false;
    text.fill(' ');
    auto put = [&](std::string_view s, std::size_t at) {
        std::memcpy(text.data() + at, s.data(), s.size());
        return at + s.size();
    };
    if (code <= 19) {
        put(kMessages[code], 0);
    } else if (code == 44) {
        put(kSmallTriangle, 0);
    } else if (code == 45) {
        put(kBadNodeCount, 0);
    } else {
        std::size_t at = put(family_prefix(code), 0);
        text[at] = static_cast<char>('0' + code / 10);  // every family code has two digits
        text[at + 1] = static_cast<char>('0' + code % 10);
    }
    return true;
}

Status write_error(RecordFile& file, Status status) {
    Text63& buffer = library_state().message;
    seabed_error_message(code(status), buffer);
    std::array<char, kRecordBytes> record;
    record[0] = static_cast<char>(static_cast<std::uint8_t>(code(status) & 0xFF));
    std::memcpy(record.data() + 1, buffer.data(), 31);
    if (!file.write_bytes(9, record.data(), record.size())) return Status::FileWrite;
    std::memcpy(record.data(), buffer.data() + 31, 32);
    if (!file.write_bytes(10, record.data(), record.size())) return Status::FileWrite;
    return status;
}

}  // namespace seabed
