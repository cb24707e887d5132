// Test seabed files: the input records of a seabed file (header, notes, record 8
// and nodes), a fixed 2D profile or random 3D nodes, as a host would write it
// before generation.
#pragma once

#include <cstdint>
#include <string>

namespace seabed {

/// Writes the test seabed file name of type 1 (fixed four-point profile) or
/// 2 (random 3D nodes from the shared random sequence, plus a text log).
/// Reports nothing; a failed delete, open or write ends it early.
void seabed_create_test_file(const std::string& name, std::int32_t type);

/// Where the 3D log goes: "C:\Temp\file3.txt" on Windows, file3.txt in the
/// system's temporary directory elsewhere, unless a test chose a directory.
std::string test_log_path();

/// Tests: the directory for the log (empty: the default place), and the call
/// counter back to 0.
void set_test_log_directory_for_tests(const std::string& dir);
void reset_test_file_counter_for_tests();

}  // namespace seabed
