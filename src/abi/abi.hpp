// Helpers shared by the extern "C" shims: nothing here decides seabed behaviour.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <new>

#include "core/descriptor.hpp"
#include "core/library_state.hpp"
#include "core/seabed_parameters.hpp"
#include "seabed.h"

static_assert(sizeof(void*) == 8, "descriptors carry 64-bit addresses");
static_assert(sizeof(seabed_desc1) == sizeof(seabed::Desc<1>) && sizeof(seabed_desc1) == 72);
static_assert(sizeof(seabed_desc2) == sizeof(seabed::Desc<2>) && sizeof(seabed_desc2) == 96);
static_assert(offsetof(seabed_desc2, dim) == offsetof(seabed::Desc<2>, dim) && offsetof(seabed_desc2, dim) == 48);

// The header's status numbers are the core's, code for code.
static_assert(SEABED_STATUS_OK == static_cast<int>(seabed::Status::Ok));
static_assert(SEABED_STATUS_FILE_MISSING == static_cast<int>(seabed::Status::FileMissing));
static_assert(SEABED_STATUS_FILE_OPEN == static_cast<int>(seabed::Status::FileOpen));
static_assert(SEABED_STATUS_FILE_CLOSE == static_cast<int>(seabed::Status::FileClose));
static_assert(SEABED_STATUS_FILE_READ == static_cast<int>(seabed::Status::FileRead));
static_assert(SEABED_STATUS_FILE_WRITE == static_cast<int>(seabed::Status::FileWrite));
static_assert(SEABED_STATUS_BAD_MAGIC == static_cast<int>(seabed::Status::BadMagic));
static_assert(SEABED_STATUS_BAD_VERSION == static_cast<int>(seabed::Status::BadVersion));
static_assert(SEABED_STATUS_NOT_SEABED == static_cast<int>(seabed::Status::NotSeabed));
static_assert(SEABED_STATUS_NOT_2D == static_cast<int>(seabed::Status::Not2D));
static_assert(SEABED_STATUS_NOT_3D == static_cast<int>(seabed::Status::Not3D));
static_assert(SEABED_STATUS_NO_MEMORY == static_cast<int>(seabed::Status::NoMemory));
static_assert(SEABED_STATUS_BAD_INTERPOLATION_TYPE == static_cast<int>(seabed::Status::BadInterpolationType));
static_assert(SEABED_STATUS_Y_NOT_INCREASING == static_cast<int>(seabed::Status::YNotIncreasing));
static_assert(SEABED_STATUS_NO_CONVERGENCE == static_cast<int>(seabed::Status::NoConvergence));
static_assert(SEABED_STATUS_TOO_FEW_NODES == static_cast<int>(seabed::Status::TooFewNodes));
static_assert(SEABED_STATUS_EXTENT_TOO_SMALL == static_cast<int>(seabed::Status::ExtentTooSmall));
static_assert(SEABED_STATUS_NODES_TOO_CLOSE == static_cast<int>(seabed::Status::NodesTooClose));
static_assert(SEABED_STATUS_COLLINEAR == static_cast<int>(seabed::Status::Collinear));
static_assert(SEABED_STATUS_ALLOC_FIRST == static_cast<int>(seabed::Status::AllocSortPermutation));
static_assert(SEABED_STATUS_ALLOC_LAST == static_cast<int>(seabed::Status::AllocSubnodeArrays));
static_assert(SEABED_STATUS_TRIANGULATE_FIRST == static_cast<int>(seabed::Status::BoundaryTooLong));
static_assert(SEABED_STATUS_TRIANGULATE_LAST == static_cast<int>(seabed::Status::HullEdgeTooShort));
static_assert(SEABED_STATUS_WALK_NODE == static_cast<int>(seabed::Status::WalkNodeOutOfRange));
static_assert(SEABED_STATUS_WALK_FAR_NODE == static_cast<int>(seabed::Status::WalkFarNodeOutOfRange));
static_assert(SEABED_STATUS_SMALL_TRIANGLE == static_cast<int>(seabed::Status::SmallTriangle));
static_assert(SEABED_STATUS_BAD_NODE_COUNT == static_cast<int>(seabed::Status::BadNodeCount));

namespace abi {

inline seabed::Desc<1>& desc(seabed_desc1* d) { return *reinterpret_cast<seabed::Desc<1>*>(d); }
inline seabed::Desc<2>& desc(seabed_desc2* d) { return *reinterpret_cast<seabed::Desc<2>*>(d); }
inline const seabed::Desc<1>& desc(const seabed_desc1* d) { return *reinterpret_cast<const seabed::Desc<1>*>(d); }
inline const seabed::Desc<2>& desc(const seabed_desc2* d) { return *reinterpret_cast<const seabed::Desc<2>*>(d); }

/// Runs f, a call into the core returning Status, so that nothing unwinds into
/// the host: running out of memory anywhere becomes the interface's
/// allocation status, and so does any other escape (closest code).
template <class F>
std::int32_t guarded(F&& f) noexcept {
    try {
        return seabed::code(f());
    } catch (...) {
        return seabed::code(seabed::Status::NoMemory);
    }
}

/// The same for calls without a status: a failure leaves the outputs as they were.
template <class F>
void guarded_void(F&& f) noexcept {
    try {
        f();
    } catch (...) {
    }
}

/// guarded, one call at a time: for the exports that share the library-wide
/// state. Taking the lock can itself throw, so it is taken inside.
template <class F>
std::int32_t serialised(F&& f) noexcept {
    return guarded([&] {
        std::lock_guard<std::mutex> hold(seabed::library_mutex());
        return f();
    });
}

template <class F>
void serialised_void(F&& f) noexcept {
    guarded_void([&] {
        std::lock_guard<std::mutex> hold(seabed::library_mutex());
        f();
    });
}

template <class... P>
bool all_present(const P*... p) {
    return ((p != nullptr) && ...);
}

}  // namespace abi
