// A fixture for tests that depend on the process-wide state being as after
// library load: fixed random seeds, test-file counter at 0, default
// tolerances; the test file's log goes to the test's scratch directory.
#pragma once

#include <gtest/gtest.h>

#include "core/library_state.hpp"
#include "core/random.hpp"
#include "support/files.hpp"
#include "test_file/test_file.hpp"

namespace seabed::testing {

class FreshProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        reset_library_state();
        reset_random_for_tests();
        reset_test_file_counter_for_tests();
        set_test_log_directory_for_tests(dir.path(""));
    }
    void TearDown() override {
        set_test_log_directory_for_tests("");
        reset_library_state();
    }
    ScratchDir dir;
};

}  // namespace seabed::testing
