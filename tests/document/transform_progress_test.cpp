// What each transform tells the main window: caption, steps, end; and that a
// transform with nothing to work on says nothing.
#include <gtest/gtest.h>

#include "document/transform_test_images.h"

namespace {

// The captions in GBK.
const std::string kRotating = "\xd5\xfd\xd4\xda\xbd\xf8\xd0\xd0\xd0\xfd\xd7\xaa\xb4\xa6\xc0\xed...";
const std::string kInverting = "\xd5\xfd\xd4\xda\xbd\xf8\xd0\xd0\xb7\xb4\xc9\xab\xb4\xa6\xc0\xed...";
const std::string kFlippingVertical = "\xd5\xfd\xd4\xda\xbd\xf8\xd0\xd0\xb4\xb9\xd6\xb1\xb7\xad\xd7\xaa...";
const std::string kFlippingHorizontal = "\xd5\xfd\xd4\xda\xbd\xf8\xd0\xd0\xcb\xae\xc6\xbd\xb7\xad\xd7\xaa...";

using Transform = int (CNewDIB::*)();
using Steps = std::vector<WPARAM>;

// Steps k * 100 / divisor for k below count; 100 each when the divisor is 0.
Steps Percents(int count, int divisor) {
    Steps out;
    for (int k = 0; k < count; ++k) out.push_back(divisor ? static_cast<WPARAM>(k * 100 / divisor) : 100);
    return out;
}

struct Expected {
    int width, height, bitCount;
    Transform transform;
    const std::string* caption;
    Steps steps;
};

// Each transform runs under a recording main window: one begin with the
// caption first, one end last, and the steps between.
TEST(TransformProgress, CaptionStepsAndOneEnd) {
    const Expected cases[] = {
        {3, 2, 24, &CNewDIB::RightRotate, &kRotating, {0, 33, 66}},  // once per destination row
        {2, 3, 24, &CNewDIB::LeftRotate, &kRotating, {0, 50}},
        {301, 1077, 8, &CNewDIB::RightRotate, &kRotating, Percents(301, 301)},  // page file: as in memory
        {4, 4, 1, &CNewDIB::InvertColor, &kInverting, {0, 100}},  // per colour
        {4, 4, 4, &CNewDIB::InvertColor, &kInverting, Percents(16, 15)},
        {4, 4, 24, &CNewDIB::InvertColor, &kInverting, {0, 33, 66, 100}},  // per row
        {4, 1, 24, &CNewDIB::InvertColor, &kInverting, {100}},             // divisor 0
        {4, 4, 32, &CNewDIB::InvertColor, &kInverting, {0, 33, 66, 100}},
        {3, 2, 8, &CNewDIB::VerticalFlip, &kFlippingVertical, {100}},  // per swapped pair; divisor 0
        {3, 3, 8, &CNewDIB::VerticalFlip, &kFlippingVertical, {100}},
        {3, 7, 8, &CNewDIB::VerticalFlip, &kFlippingVertical, {0, 50, 100}},
        {3, 1, 8, &CNewDIB::VerticalFlip, &kFlippingVertical, {}},
        {3, 4, 4, &CNewDIB::HorizonFlip, &kFlippingHorizontal, {0, 25, 50, 75}},  // per row when mirrored
        {3, 4, 16, &CNewDIB::HorizonFlip, &kFlippingHorizontal, {0, 25, 50, 75}},
    };
    vtest::PageFileMode pages(4 * vtest::kMiB);
    for (const Expected& c : cases) {
        SCOPED_TRACE(testing::Message() << *c.caption << " " << c.width << " x " << c.height << ", " << c.bitCount);
        CNewDIB image(c.width, c.height, c.bitCount);
        ASSERT_TRUE(c.height < 1000 || ttest::FirstRunRows(image) < c.height) << "one window holds it all";
        vtest::RecordingWindow window;
        EXPECT_EQ((image.*c.transform)(), 1);
        ASSERT_GE(window.messages.size(), 2u);
        EXPECT_EQ(window.messages.front().msg, DIBM_BEGINPROGRESS);
        EXPECT_EQ(window.messages.front().wParam, 0u);
        EXPECT_EQ(window.messages.front().caption, *c.caption);
        EXPECT_EQ(window.messages.back().msg, DIBM_ENDPROGRESS);
        EXPECT_EQ(window.Count(DIBM_BEGINPROGRESS), 1);
        EXPECT_EQ(window.Count(DIBM_ENDPROGRESS), 1);
        EXPECT_EQ(window.Steps(), c.steps);
    }
}

TEST(TransformProgress, WithoutAnImageEveryTransformFailsSilently) {
    vtest::RecordingWindow window;
    CNewDIB empty, released(4, 4, 8);
    released.ReleaseDIB();
    for (Transform t : {&CNewDIB::RightRotate, &CNewDIB::LeftRotate, &CNewDIB::InvertColor, &CNewDIB::VerticalFlip,
                        &CNewDIB::HorizonFlip}) {
        EXPECT_EQ((empty.*t)(), 0);
        EXPECT_EQ((released.*t)(), 0);
    }
    EXPECT_TRUE(window.messages.empty());
}

}  // namespace
