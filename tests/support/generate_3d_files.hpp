// 3D generation input as a host writes it, and the status records a
// generation leaves, read without library code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace seabed::testing {

/// Record 1 (magic number), record 8 (type 2, n, spacing) and the node block
/// (X, Y, Z per node) from record 12; n defaults to values / 3.
void write_3d_input(const std::string& path, const std::vector<float>& values, float spacing,
                    std::int32_t n = -1);
/// The status byte of record 9.
int status_in_file(const std::string& path);
/// The 63 message characters of records 9 and 10.
std::string message_in_file(const std::string& path);
/// text padded with blanks to 63 characters.
std::string padded63(const std::string& text);

}  // namespace seabed::testing
