// The generation entry: turns the input a host wrote into a seabed file into
// a stored 2D profile or 3D surface, in the same file.
#pragma once

#include <cstdint>
#include <string>

#include "core/seabed_parameters.hpp"

namespace seabed {

class RecordFile;

/// The unit on which generation always opens its file.
inline constexpr std::int32_t kGenerateUnit = 123;

/// Generates the seabed in the file `name` (trailing blanks already removed).
/// The result is written into `name`.generating and moved over the file only
/// when complete, so no failure costs the host its input: failures found
/// before a generator runs (FileMissing, FileOpen, FileRead, BadMagic,
/// NotSeabed, NoMemory, TooFewNodes) and failed writes (FileWrite) leave the
/// file unchanged; a generator's failure changes only records 9 and 10, which
/// take its status and message. On success record 1 carries the stamp and
/// records 9 and 10 status 0. `duplicates` is 1 when 3D generation removed
/// duplicate nodes. The file is closed on every path.
[[nodiscard]] Status seabed_generate(const std::string& name, std::int32_t& duplicates);

/// The 3D branch: reads the n input nodes from record 12 of the open file and
/// generates the surface with the given sub-node spacing.
[[nodiscard]] Status generate_3d_input(RecordFile& file, std::int32_t n, float spacing, std::int32_t& duplicates);

}  // namespace seabed
