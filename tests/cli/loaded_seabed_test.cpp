// The loaded arrays go back to the library exactly once, whichever way their
// holder ends: destroyed, moved from, assigned over, or a load that failed.
#include "loaded_seabed.hpp"

#include <gtest/gtest.h>

#include <utility>

namespace cli {
namespace {

struct Counts {
    int loads = 0, frees = 0, live = 0, foreign = 0;
};

Counts counts_of(const Library& lib) {
    Counts c;
    lib.get<void(int*, int*, int*, int*)>("fake_counts")(&c.loads, &c.frees, &c.live, &c.foreign);
    return c;
}

class LoadedSeabedTest : public ::testing::Test {
protected:
    Counts counts() const { return counts_of(lib_); }
    void TearDown() override {
        EXPECT_EQ(counts().live, 0) << "arrays left allocated";
        EXPECT_EQ(counts().foreign, 0) << "arrays freed twice";
    }

    Library lib_{SEABED_FAKE_LIBRARY};
    LoadedSeabed2D::Exports exports_2d_{lib_};
    LoadedSeabed3D::Exports exports_3d_{lib_};
};

// One holder template serves both kinds; TearDown counts what was left or freed twice.
TEST_F(LoadedSeabedTest, ArraysGoBackOnceWhetherDestroyedMovedOrAssignedOver) {
    const Counts before = counts();
    {
        LoadedSeabed2D kept(exports_2d_, "a.sbd", SEABED_2D_LINEAR);
        LoadedSeabed2D other(exports_2d_, "b.sbd", SEABED_2D_SPLINE);
        EXPECT_EQ(other->n, 4);
        EXPECT_NE(values<float>(other->slopes), nullptr);
        const void* profile = other->profile.base;
        EXPECT_EQ(counts().live, before.live + 3);
        kept = std::move(other);
        EXPECT_EQ(kept->profile.base, profile);
        EXPECT_EQ(counts().frees, before.frees + 1) << "what the assigned-over holder had";
        {
            LoadedSeabed2D moved(std::move(kept));
            EXPECT_EQ(moved->profile.base, profile);
        }
        EXPECT_EQ(counts().frees, before.frees + 2);
    }
    EXPECT_EQ(counts().frees, before.frees + 2) << "moved-from holders free nothing";
}

TEST_F(LoadedSeabedTest, AFailedLoadFreesWhatWasAllocatedAndThrowsItsStatus) {
    for (auto type : {SEABED_3D_LINEAR, SEABED_3D_CUBIC}) {
        Counts before = counts();
        try {
            LoadedSeabed3D surface(exports_3d_, "bad.sbd", type);
            ADD_FAILURE() << "a failed load returned";
        } catch (const Failure& e) {
            EXPECT_EQ(e.exit_code(), kExitLibraryStatus);
            EXPECT_EQ(std::string(e.what()), "load_seabed_3d bad.sbd: status 5: " +
                                                 status_message(SEABED_STATUS_FILE_READ) + "\n  hint: " +
                                                 status_hint(SEABED_STATUS_FILE_READ));
        }
        Counts after = counts();
        EXPECT_EQ(after.loads, before.loads + 1);
        EXPECT_EQ(after.frees, before.frees + 1);
        EXPECT_EQ(after.live, before.live);
    }
}

TEST(LoadedSeabedExports, ALibraryWithoutTheFreeExportLoadsNothing) {
    Library lib(SEABED_FAKE_LIBRARY_WITHOUT_FREE);
    Counts before = counts_of(lib);
    try {
        LoadedSeabed2D::Exports exports(lib);
        ADD_FAILURE() << "exports found without free_seabed_2d";
    } catch (const Failure& e) {
        EXPECT_EQ(e.exit_code(), kExitToolFailure);
        EXPECT_NE(std::string(e.what()).find("does not export free_seabed_2d"), std::string::npos) << e.what();
    }
    EXPECT_EQ(counts_of(lib).loads, before.loads);
}

}  // namespace
}  // namespace cli
