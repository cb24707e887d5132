#include "core/seabed_parameters.hpp"

#include <gtest/gtest.h>

#include <string>

#include "core/library_state.hpp"
#include "core/record_file.hpp"
#include "seabed.h"
#include "support/files.hpp"

namespace seabed {
namespace {

std::string text_of(std::int32_t c) {
    Text63 t;
    t.fill('#');
    EXPECT_TRUE(seabed_error_message(c, t));
    return std::string(t.begin(), t.end());
}

std::string trimmed(const std::string& s) { return s.substr(0, s.find_last_not_of(' ') + 1); }

TEST(ErrorMessage, EveryCodeIsPaddedTo63WithBlanks) {
    for (std::int32_t c = 0; c <= 45; ++c) {
        std::string t = text_of(c);
        ASSERT_EQ(t.size(), 63u);
        EXPECT_EQ(t.find('#'), std::string::npos) << c;
        EXPECT_NE(t.back() == ' ' || c == 0, false) << "no message fills all 63 characters";
    }
    EXPECT_EQ(text_of(0), std::string(63, ' '));
    EXPECT_EQ(text_of(1), std::string(63, ' '));
}

TEST(ErrorMessage, FamiliesAndSpotValuesIncludingCodesNeverRaised) {
    for (std::int32_t c = 20; c <= 30; ++c) EXPECT_EQ(trimmed(text_of(c)), "Allocating Error: " + std::to_string(c));
    for (std::int32_t c = 31; c <= 41; ++c)
        EXPECT_EQ(trimmed(text_of(c)), "Triangulating Error: " + std::to_string(c));
    const std::pair<std::int32_t, const char*> spots[] = {
        {2, "Seabed file does not exist"}, {4, "Failed to close seabed file"},
        {8, "Incompatible seabed file version"},
        {12, "Insufficient memory available for allocation of seabed data"},
        {14, "Y-values should be strictly increasing for 2D interpolation"},
        {19, "There are three adjacent input nodes collinear"}, {42, "Interpolating Error: 42"},
        {43, "Interpolating Error: 43"}, {44, "Three input nodes collinear or forming too small triangle"},
        {45, "Number of nodes in present triangulation is invalid"}, {3, "Failed to open seabed file"},
        {5, "Failed to read seabed file"}, {6, "Failed to write to seabed file"}, {7, "Invalid seabed file"},
        {9, "Specified file is not a seabed file"}, {10, "Specified seabed file is not a 2D seabed"},
        {11, "Specified seabed file is not a 3D seabed"}, {13, "Invalid interpolation type"},
        {15, "Failed to achieve convergence of gradient values"},
        {16, "Number of nodes insufficient for seabed interpolation"},
        {17, "The longest distance between input nodes is too small"},
        {18, "Distance between two input nodes in y-z plane is too small"}};
    for (const auto& [c, text] : spots) EXPECT_EQ(trimmed(text_of(c)), text) << c;
}

TEST(ErrorMessage, CodesOutsideTheTableLeaveTheTextAlone) {
    for (std::int32_t c : {-1, 46, 255, INT32_MIN, INT32_MAX}) {
        Text63 t;
        t.fill('#');
        EXPECT_FALSE(seabed_error_message(c, t));
        EXPECT_EQ(std::string(t.begin(), t.end()), std::string(63, '#'));
    }
}

class WriteErrorTest : public ::testing::Test {
protected:
    void SetUp() override { reset_library_state(); }
    void TearDown() override { reset_library_state(); }
    testing::ScratchDir dir;
};

TEST_F(WriteErrorTest, AFailedWriteBecomesStatus6AndLeavesLaterRecordsAlone) {
    std::string path = dir.path("f.sbd");
    testing::RawFile raw(path);
    raw.put<std::int32_t>(1, {kMagic});
    raw.put_bytes(9, "old record nine.................", 32);
    raw.put_bytes(10, "old record ten..................", 32);
    {
        testing::FaultyFileSystem fs;
        fs.fail_write_at = 2;  // record 10
        RecordFile* f = open_unit(7, path);
        EXPECT_EQ(write_error(*f, Status::Collinear), Status::FileWrite);
        close_unit(7);
    }
    EXPECT_EQ(raw.get(9, 1)[0], 19);
    auto r10 = raw.get(10, 32);
    EXPECT_EQ(std::string(r10.begin(), r10.end()), "old record ten..................");
    {
        testing::FaultyFileSystem fs;
        fs.fail_write_at = 1;  // record 9
        RecordFile* f = open_unit(7, path);
        EXPECT_EQ(write_error(*f, Status::Ok), Status::FileWrite);
        close_unit(7);
    }
    EXPECT_EQ(raw.get(9, 1)[0], 19);
}

}  // namespace
}  // namespace seabed
