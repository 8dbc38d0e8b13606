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

// Runs the transform with a recording main window; checks the frame (one
// begin with the caption first, one end last) and returns the steps.
Steps StepsOf(CNewDIB& image, Transform transform, const std::string& caption) {
    vtest::RecordingWindow window;
    EXPECT_EQ((image.*transform)(), 1);
    EXPECT_GE(window.messages.size(), 2u);
    if (window.messages.size() < 2) return {};
    EXPECT_EQ(window.messages.front().msg, DIBM_BEGINPROGRESS);
    EXPECT_EQ(window.messages.front().wParam, 0u);
    EXPECT_EQ(window.messages.front().caption, caption);
    EXPECT_EQ(window.messages.back().msg, DIBM_ENDPROGRESS);
    EXPECT_EQ(window.Count(DIBM_BEGINPROGRESS), 1);
    EXPECT_EQ(window.Count(DIBM_ENDPROGRESS), 1);
    return window.Steps();
}

Steps Percents(int count, int divisor) {
    Steps out;
    for (int k = 0; k < count; ++k) out.push_back(divisor ? static_cast<WPARAM>(k * 100 / divisor) : 100);
    return out;
}

TEST(TransformProgress, RotationsStepOncePerDestinationRow) {
    CNewDIB image(3, 2, 24);
    EXPECT_EQ(StepsOf(image, &CNewDIB::RightRotate, kRotating), (Steps{0, 33, 66}));
    EXPECT_EQ(StepsOf(image, &CNewDIB::LeftRotate, kRotating), (Steps{0, 50}));
}

TEST(TransformProgress, PageFileRotationStepsAsInMemory) {
    ttest::PageFiles pages;
    CNewDIB image(301, 1077, 8);
    ASSERT_LT(ttest::FirstRunRows(image), 1077);
    EXPECT_EQ(StepsOf(image, &CNewDIB::RightRotate, kRotating), Percents(301, 301));
}

TEST(TransformProgress, InvertStepsPerColourOrPerRow) {
    CNewDIB mono(4, 4, 1), sixteen(4, 4, 4), rgb(4, 4, 24), one(4, 1, 24), wide(4, 4, 32);
    EXPECT_EQ(StepsOf(mono, &CNewDIB::InvertColor, kInverting), (Steps{0, 100}));
    EXPECT_EQ(StepsOf(sixteen, &CNewDIB::InvertColor, kInverting), Percents(16, 15));
    EXPECT_EQ(StepsOf(rgb, &CNewDIB::InvertColor, kInverting), (Steps{0, 33, 66, 100}));
    EXPECT_EQ(StepsOf(one, &CNewDIB::InvertColor, kInverting), (Steps{100})) << "divisor 0";
    EXPECT_EQ(StepsOf(wide, &CNewDIB::InvertColor, kInverting), Steps{});
}

TEST(TransformProgress, VerticalFlipStepsPerSwappedPair) {
    CNewDIB two(3, 2, 8), three(3, 3, 8), seven(3, 7, 8), single(3, 1, 8);
    EXPECT_EQ(StepsOf(two, &CNewDIB::VerticalFlip, kFlippingVertical), (Steps{100})) << "divisor 0";
    EXPECT_EQ(StepsOf(three, &CNewDIB::VerticalFlip, kFlippingVertical), (Steps{100})) << "divisor 0";
    EXPECT_EQ(StepsOf(seven, &CNewDIB::VerticalFlip, kFlippingVertical), (Steps{0, 50, 100}));
    EXPECT_EQ(StepsOf(single, &CNewDIB::VerticalFlip, kFlippingVertical), Steps{});
}

TEST(TransformProgress, HorizonFlipStepsPerRowOnlyForMirroredBitCounts) {
    CNewDIB four(3, 4, 4), wide(3, 4, 16);
    EXPECT_EQ(StepsOf(four, &CNewDIB::HorizonFlip, kFlippingHorizontal), (Steps{0, 25, 50, 75}));
    EXPECT_EQ(StepsOf(wide, &CNewDIB::HorizonFlip, kFlippingHorizontal), Steps{});
}

TEST(TransformProgress, WithoutAnImageEveryTransformFailsSilently) {
    vtest::RecordingWindow window;
    CNewDIB empty;
    for (Transform t : {&CNewDIB::RightRotate, &CNewDIB::LeftRotate, &CNewDIB::InvertColor, &CNewDIB::VerticalFlip,
                        &CNewDIB::HorizonFlip})
        EXPECT_EQ((empty.*t)(), 0);
    CNewDIB released(4, 4, 8);
    released.ReleaseDIB();
    EXPECT_EQ(released.RightRotate(), 0);
    EXPECT_EQ(released.VerticalFlip(), 0);
    EXPECT_TRUE(window.messages.empty());
}

}  // namespace
