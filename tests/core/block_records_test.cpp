// Block record counts are computed in float32, as the file layout defines
// them; every reader (library, tool, Python package) must agree with this,
// including past 2^24 values where the float count exceeds the integer one.
#include <gtest/gtest.h>

#include "core/record_file.hpp"

namespace seabed {
namespace {

TEST(BlockRecords, Float32CountDivergesFromIntegerCountAt16777224Values) {
    EXPECT_EQ(block_records(0), 0);
    EXPECT_EQ(block_records(1), 1);
    EXPECT_EQ(block_records(8), 1);
    EXPECT_EQ(block_records(9), 2);
    EXPECT_EQ(block_records(std::int64_t{1} << 24), std::int64_t{1} << 21);
    // 16,777,223 rounds up to 16,777,224 in float32: one record more.
    EXPECT_EQ(block_records(16'777'224), 2'097'154);
    EXPECT_EQ((16'777'224 - 1) / 8 + 1, 2'097'153);
    EXPECT_EQ(block_records(3 * 5'592'408), 2'097'154);  // a 3D node block of 5,592,408 nodes
}

}  // namespace
}  // namespace seabed
