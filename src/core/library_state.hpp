// The few values the library keeps between calls. Every exported operation
// but the queries uses them, which is why those calls must not overlap.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

#include "core/seabed_parameters.hpp"

namespace seabed {

class RecordFile;

inline constexpr float kNodeToleranceAtLoad = 1.0e-6f;

struct LibraryState {
    /// Last message composed by write_error; 63 zero bytes until the first.
    Text63 message{};
    /// Node equality tolerance; each 3D generation sets it to 1.0e-4.
    float node_tolerance = kNodeToleranceAtLoad;
    /// Order of the last integer list sort that named one.
    bool sort_ascending = true;
    /// Files kept open under their unit numbers.
    std::map<std::int32_t, std::unique_ptr<RecordFile>> units;

    LibraryState();
    ~LibraryState();
};

LibraryState& library_state();
/// Held by every export that uses the state above (generation, the loaders
/// and free operations, open_seabed_file, the test file), so a host that
/// overlaps such calls gets them one after another. The queries never take it.
std::mutex& library_mutex();
/// Back to the state at library load (tests).
void reset_library_state();

}  // namespace seabed
