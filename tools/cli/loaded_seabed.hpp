// Generated seabeds loaded through the library's loaders. The arrays a loader
// allocates go back only through the matching free export, after a failed load
// as well (what was allocated before the failure stays allocated). A Loaded
// object frees them when it goes away, so no way out of a command leaks them.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "failure.hpp"
#include "library.hpp"

namespace cli {

/// Borrowed view of a descriptor's values; the library keeps ownership.
template <class T, class Descriptor>
const T* values(const Descriptor& d) {
    return static_cast<const T*>(d.base);
}

/// The arrays of load_seabed_2d.
struct Seabed2DArrays {
    using Load = decltype(::load_seabed_2d);
    using Free = decltype(::free_seabed_2d);
    static constexpr const char* kLoadName = "load_seabed_2d";
    static constexpr const char* kFreeName = "free_seabed_2d";

    std::int32_t n = 0;
    seabed_desc2 profile{};  // n x 2: X, Y
    seabed_desc1 slopes{};   // n; left unallocated by a linear load

    std::int32_t load_with(Load* load, const std::string& path, std::int32_t type);
    void release_with(Free* release) { release(&profile, &slopes); }
};

/// The arrays of load_seabed_3d.
struct Seabed3DArrays {
    using Load = decltype(::load_seabed_3d);
    using Free = decltype(::free_seabed_3d);
    static constexpr const char* kLoadName = "load_seabed_3d";
    static constexpr const char* kFreeName = "free_seabed_3d";

    std::int32_t n = 0, nt = 0, nadj = 0;
    seabed_desc2 nodes{};      // n x 3: X, Y, Z
    seabed_desc2 gradients{};  // 2 x n; left unallocated by a linear load
    seabed_desc1 iadj{};       // nadj
    seabed_desc1 istart{};     // n

    std::int32_t load_with(Load* load, const std::string& path, std::int32_t type);
    void release_with(Free* release) { release(&nodes, &gradients, &iadj, &istart); }
};

template <class Arrays>
class Loaded {
public:
    /// The two exports a load needs. They are looked up before anything is
    /// loaded, so a library without the free export never hands out arrays
    /// that could not be given back.
    struct Exports {
        explicit Exports(const Library& lib)
            : load(lib.get<typename Arrays::Load>(Arrays::kLoadName)),
              release(lib.get<typename Arrays::Free>(Arrays::kFreeName)) {}
        typename Arrays::Load* load;
        typename Arrays::Free* release;
    };

    /// Loads path with the loader's interpolation type. A failed load throws
    /// its status ("load_seabed_2d PATH: status N: message") with whatever the
    /// loader allocated already freed.
    Loaded(const Exports& exports, const std::string& path, std::int32_t type) : release_(exports.release) {
        std::int32_t status = arrays_.load_with(exports.load, path, type);
        if (status != 0) {
            release();  // no destructor runs for an object whose constructor throws
            throw status_failure(std::string(Arrays::kLoadName) + " " + path, status);
        }
    }
    ~Loaded() { release(); }

    Loaded(const Loaded&) = delete;
    Loaded& operator=(const Loaded&) = delete;
    Loaded(Loaded&& other) noexcept
        : release_(std::exchange(other.release_, nullptr)), arrays_(std::exchange(other.arrays_, Arrays{})) {}
    Loaded& operator=(Loaded&& other) noexcept {
        if (this != &other) {
            release();
            release_ = std::exchange(other.release_, nullptr);
            arrays_ = std::exchange(other.arrays_, Arrays{});
        }
        return *this;
    }

    const Arrays& operator*() const { return arrays_; }
    const Arrays* operator->() const { return &arrays_; }

private:
    void release() noexcept {
        if (release_) arrays_.release_with(std::exchange(release_, nullptr));
    }

    typename Arrays::Free* release_;  // null once the arrays are given back or moved away
    Arrays arrays_;
};

using LoadedSeabed2D = Loaded<Seabed2DArrays>;
using LoadedSeabed3D = Loaded<Seabed3DArrays>;

}  // namespace cli
