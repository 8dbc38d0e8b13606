#include "storage/release_behind.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using velmora::ByteRange;
using velmora::ReleaseBehind;

// Places and leaves `windows` in order; returns every range dropped.
std::vector<ByteRange> Walk(const std::vector<ByteRange>& windows) {
    ReleaseBehind passed;
    std::vector<ByteRange> dropped;
    auto drop = [&](const ByteRange& r) { dropped.push_back(r); };
    for (const ByteRange& w : windows) {
        passed.Placing(w, drop);
        const ByteRange out = passed.Left(w);
        if (!out.Empty()) drop(out);
    }
    return dropped;
}

TEST(ReleaseBehind, AFrontToBackWalkDropsEachWindowOneWindowLater) {
    const ByteRange a{0, 10}, b{10, 10}, c{20, 10}, d{30, 10};
    EXPECT_EQ(Walk({a, b, c, d}), (std::vector<ByteRange>{a, b}));
}

TEST(ReleaseBehind, AWalkBetweenTwoEndsKeepsBothUntilItMovesOn) {
    const ByteRange low{0, 10}, high{90, 10}, low2{10, 10}, high2{80, 10};
    EXPECT_TRUE(Walk({low, high, low, high, low, high}).empty());
    EXPECT_EQ(Walk({low, high, low, high, low2, high2}), (std::vector<ByteRange>{low, high}));
}

TEST(ReleaseBehind, AWindowReachingIntoAWaitingOneKeepsIt) {
    const ByteRange a{0, 10}, b{10, 10}, overlapsA{5, 10};
    EXPECT_TRUE(Walk({a, b, overlapsA}).empty());
}

}  // namespace
