// The status table by its rules: the families the public header's macros
// name, padding to 63 blanks, codes outside it; spot values besides.
#include "core/seabed_parameters.hpp"

#include <gtest/gtest.h>

#include <string>

#include "core/record_file.hpp"
#include "seabed.h"
#include "support/files.hpp"

namespace seabed {
namespace {

std::string text_of(std::int32_t c) {
    Text63 t;
    t.fill('#');
    EXPECT_TRUE(seabed_error_message(c, t)) << c;
    return std::string(t.begin(), t.end());
}

std::string trimmed(const std::string& s) { return s.substr(0, s.find_last_not_of(' ') + 1); }

TEST(ErrorMessage, EveryCodeUpToTheLastMacroHasAPaddedMessageOfItsFamily) {
    for (std::int32_t c = SEABED_STATUS_OK; c <= SEABED_STATUS_BAD_NODE_COUNT; ++c) {
        const std::string t = text_of(c), word = trimmed(t);
        EXPECT_EQ(t.find('#'), std::string::npos) << c;
        EXPECT_TRUE(t.back() == ' ' && (word.empty() == (c <= 1))) << c << ": no message fills all 63 characters";
        const char* family = c >= SEABED_STATUS_ALLOC_FIRST && c <= SEABED_STATUS_ALLOC_LAST ? "Allocating Error: "
                             : c >= SEABED_STATUS_TRIANGULATE_FIRST && c <= SEABED_STATUS_TRIANGULATE_LAST
                                 ? "Triangulating Error: "
                             : c == SEABED_STATUS_WALK_NODE || c == SEABED_STATUS_WALK_FAR_NODE ? "Interpolating Error: "
                                                                                                : nullptr;
        if (family) {
            EXPECT_EQ(word, family + std::to_string(c));
        } else {
            EXPECT_EQ(word.find("Error: "), std::string::npos) << c << " " << word;
        }
    }
    const std::pair<std::int32_t, const char*> spots[] = {
        {SEABED_STATUS_FILE_MISSING, "Seabed file does not exist"},
        {SEABED_STATUS_BAD_VERSION, "Incompatible seabed file version"},
        {SEABED_STATUS_NO_MEMORY, "Insufficient memory available for allocation of seabed data"},
        {SEABED_STATUS_Y_NOT_INCREASING, "Y-values should be strictly increasing for 2D interpolation"},
        {SEABED_STATUS_COLLINEAR, "There are three adjacent input nodes collinear"},
        {SEABED_STATUS_SMALL_TRIANGLE, "Three input nodes collinear or forming too small triangle"},
        {SEABED_STATUS_BAD_NODE_COUNT, "Number of nodes in present triangulation is invalid"}};
    for (const auto& [c, text] : spots) EXPECT_EQ(trimmed(text_of(c)), text) << c;
}

TEST(ErrorMessage, CodesOutsideTheTableLeaveTheTextAlone) {
    for (std::int32_t c : {-1, SEABED_STATUS_BAD_NODE_COUNT + 1, 255, INT32_MIN, INT32_MAX}) {
        Text63 t;
        t.fill('#');
        EXPECT_FALSE(seabed_error_message(c, t));
        EXPECT_EQ(std::string(t.begin(), t.end()), std::string(63, '#'));
    }
}

using WriteErrorTest = testing::FreshProcessTest;

TEST_F(WriteErrorTest, AFailedWriteBecomesStatus6AndLeavesLaterRecordsAlone) {
    const std::string path = dir.path("f.sbd");
    testing::RawFile raw(path);
    raw.put<std::int32_t>(1, {kMagic}).put_bytes(9, "old record nine.................", 32);
    raw.put_bytes(10, "old record ten..................", 32);
    for (std::int64_t fail_at : {2, 1}) {  // record 10, then record 9
        testing::FaultyFileSystem fs;
        fs.fail_write_at = fail_at;
        RecordFile* f = open_unit(7, path);
        EXPECT_EQ(write_error(*f, fail_at == 2 ? Status::Collinear : Status::Ok), Status::FileWrite);
        close_unit(7);
        EXPECT_EQ(raw.get(9, 1)[0], 19) << "a failed record 9 keeps the earlier code";
        const auto r10 = raw.get(10, 32);
        EXPECT_EQ(std::string(r10.begin(), r10.end()), "old record ten..................");
    }
}

}  // namespace
}  // namespace seabed
