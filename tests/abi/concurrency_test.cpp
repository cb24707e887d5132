// A host that breaks the rule and overlaps generations and loads from two
// threads gets the calls serialised: every file and every loaded array is
// what the same calls give one after another. Run under ThreadSanitizer too.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "abi/host_fixture.hpp"
#include "support/files.hpp"

namespace seabed::testing {
namespace {

std::vector<float> scattered(unsigned seed, int n) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> at(0.0f, 100.0f);
    std::vector<float> v;
    for (int i = 0; i < n; ++i) v.insert(v.end(), {at(rng) * 0.1f, at(rng), at(rng)});
    return v;
}

class ConcurrentCalls : public HostTest {
protected:
    /// The nodes and neighbour lists a linear load hands over, as bytes.
    std::string load(const std::string& path, int32_t unit) {
        int32_t len = static_cast<int32_t>(path.size()), type = 0, count = 0, triangles = 0, adjacent = 0, status = -1;
        seabed_desc2 yz{}, grads{};
        seabed_desc1 adj{}, starts{};
        int64_t bytes = 0;
        load3(&len, path.data(), &unit, &type, &count, &triangles, &adjacent, &yz, &grads, &adj, &starts, &bytes, &status);
        std::string out = std::to_string(status);
        if (status == 0) {
            out.append(static_cast<const char*>(yz.base), static_cast<std::size_t>(count) * 12);
            out.append(static_cast<const char*>(adj.base), static_cast<std::size_t>(adjacent) * 4);
        }
        free3(&yz, &grads, &adj, &starts);
        return out;
    }
    std::string input(const std::string& name, unsigned seed) {
        std::string path = dir.path(name);
        write_input(path, 2, scattered(seed, 400), 1.5f);
        return path;
    }
};

TEST_F(ConcurrentCalls, OverlappingGenerationsAndLoadsGiveTheSerialResults) {
    const std::string a = input("a.sbd", 1), b = input("b.sbd", 2);
    ASSERT_EQ(generate(a), 0);
    ASSERT_EQ(generate(b), 0);
    const std::string serial_a = bytes_of(a), serial_b = bytes_of(b), loaded_b = load(b, 40);
    for (int round = 0; round < 3; ++round) {
        input("a.sbd", 1);
        input("b.sbd", 2);
        int32_t sa = -1, sb = -1;
        std::thread ta([&] { sa = generate(a); });
        std::thread tb([&] { sb = generate(b); });
        ta.join();
        tb.join();
        EXPECT_EQ(sa, 0);
        EXPECT_EQ(sb, 0);
        EXPECT_EQ(bytes_of(a), serial_a) << round;
        EXPECT_EQ(bytes_of(b), serial_b) << round;

        // A generation beside loads of another file, all on units of their own.
        input("a.sbd", 1);
        std::vector<std::string> loads;
        std::thread tg([&] { sa = generate(a); });
        std::thread tl([&] {
            for (int i = 0; i < 5; ++i) loads.push_back(load(b, 41 + i % 2));
        });
        tg.join();
        tl.join();
        EXPECT_EQ(sa, 0);
        EXPECT_EQ(bytes_of(a), serial_a) << round;
        for (const std::string& l : loads) EXPECT_EQ(l, loaded_b) << round;
    }
}

}  // namespace
}  // namespace seabed::testing
