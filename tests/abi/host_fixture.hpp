// A test that is a host: the library loaded by name, its exports looked up
// once, arguments passed by address, and whatever a load handed over given
// back when the test ends.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "abi/host.hpp"
#include "support/files.hpp"

namespace seabed::testing {

class HostTest : public ::testing::Test {
protected:
    Host host;
    ScratchDir dir;
    decltype(&::seabed_generate) generate_ = SEABED_EXPORT(host, seabed_generate);
    decltype(&::open_seabed_file) open = SEABED_EXPORT(host, open_seabed_file);
    decltype(&::load_seabed_2d) load2 = SEABED_EXPORT(host, load_seabed_2d);
    decltype(&::load_seabed_3d) load3 = SEABED_EXPORT(host, load_seabed_3d);
    decltype(&::free_seabed_2d) free2 = SEABED_EXPORT(host, free_seabed_2d);
    decltype(&::free_seabed_3d) free3 = SEABED_EXPORT(host, free_seabed_3d);
    decltype(&::find_segment) segment_of = SEABED_EXPORT(host, find_segment);
    decltype(&::interpolate_2d_linear) linear2 = SEABED_EXPORT(host, interpolate_2d_linear);
    decltype(&::interpolate_2d_cubic) cubic2 = SEABED_EXPORT(host, interpolate_2d_cubic);
    decltype(&::find_triangle) find = SEABED_EXPORT(host, find_triangle);
    decltype(&::interpolate_3d_linear) linear3 = SEABED_EXPORT(host, interpolate_3d_linear);
    decltype(&::interpolate_3d_cubic) cubic3 = SEABED_EXPORT(host, interpolate_3d_cubic);
    decltype(&::seabed_create_test_file) create = SEABED_EXPORT(host, seabed_create_test_file);

    // The 2D arrays of the last load_2d, the 3D ones of the last load_3d.
    std::int32_t n = -7, nt = -7, nadj = -7;
    std::int64_t memory = 0;
    seabed_desc2 profile{}, nodes{}, gradients{};
    seabed_desc1 slopes{}, iadj{}, istart{};

    void TearDown() override {
        free2(&profile, &slopes);
        free3(&nodes, &gradients, &iadj, &istart);
    }
    std::int32_t generate(const std::string& name, std::int32_t* duplicates = nullptr) {
        std::int32_t status = -1, dup = -1;
        generate_(static_cast<std::int32_t>(name.size()), name.data(), &status, duplicates ? duplicates : &dup);
        return status;
    }
    std::int32_t load_2d(const std::string& path, std::int32_t type) {
        std::int32_t len = static_cast<std::int32_t>(path.size()), unit = 31, status = -99;
        load2(&len, path.data(), &unit, &type, &n, &profile, &slopes, &memory, &status);
        return status;
    }
    std::int32_t load_3d(const std::string& path, std::int32_t type) {
        std::int32_t len = static_cast<std::int32_t>(path.size()), unit = 32, status = -99;
        load3(&len, path.data(), &unit, &type, &n, &nt, &nadj, &nodes, &gradients, &iadj, &istart, &memory, &status);
        return status;
    }
};

}  // namespace seabed::testing
