// Helpers shared by the extern "C" shims: nothing here decides seabed behaviour.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>

#include "core/descriptor.hpp"
#include "core/seabed_parameters.hpp"
#include "seabed.h"

static_assert(sizeof(void*) == 8, "descriptors carry 64-bit addresses");
static_assert(sizeof(seabed_desc1) == sizeof(seabed::Desc<1>) && sizeof(seabed_desc1) == 72);
static_assert(sizeof(seabed_desc2) == sizeof(seabed::Desc<2>) && sizeof(seabed_desc2) == 96);
static_assert(offsetof(seabed_desc2, dim) == offsetof(seabed::Desc<2>, dim) && offsetof(seabed_desc2, dim) == 48);

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

template <class... P>
bool all_present(const P*... p) {
    return ((p != nullptr) && ...);
}

}  // namespace abi
