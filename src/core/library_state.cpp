#include "core/library_state.hpp"

#include "core/record_file.hpp"

namespace seabed {

LibraryState::LibraryState() = default;
LibraryState::~LibraryState() = default;

LibraryState& library_state() {
    static LibraryState state;
    return state;
}

std::mutex& library_mutex() {
    static std::mutex lock;
    return lock;
}

void reset_library_state() {
    LibraryState& s = library_state();
    s.message.fill('\0');
    s.node_tolerance = kNodeToleranceAtLoad;
    s.sort_ascending = true;
    s.units.clear();
}

}  // namespace seabed
