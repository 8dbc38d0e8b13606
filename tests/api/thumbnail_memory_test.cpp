// Thumbnails hold a few rows of working memory whatever the reduction, and
// an allocation that fails anywhere in one gives velmora::Error.
#include <gtest/gtest.h>

#include <vector>

#include "support/counted_new.h"
#include "velmora/image.hpp"
#include "velmora/system.h"

namespace {

velmora::Image Picture(int width, int height) {
    std::vector<std::uint8_t> pixels(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i * 7 + i / 311);
    return velmora::Image::from_pixels(width, height, 24, pixels.data(), static_cast<size_t>(width) * 3);
}

TEST(ThumbnailMemory, WorkingMemoryIsAFewRowsWhateverTheReduction) {
    SetProcessMemoryLimit(16 << 20);
    const velmora::Image image = Picture(1800, 1200);
    for (const int box : {600, 200, 1800}) {  // area averaging by 1 and by 4, and none
        vtest::ResetPeak();
        const velmora::Image small = image.thumbnail(box, box);
        EXPECT_EQ(small.width(), box);
        // The whole picture as floats would be 26 MB.
        EXPECT_LT(vtest::PeakSinceReset(), size_t{2} << 20) << box;
    }
    SetProcessMemoryLimit(0);
}

TEST(ThumbnailMemory, AnAllocationFailingAnywhereIsAnError) {
    const velmora::Image image = Picture(90, 60);
    int errors = 0;
    for (long at = 1; at < 2000; ++at) {
        vtest::FailAllocation(at);
        bool done = false;
        try {
            done = image.thumbnail(20, 20).width() == 20;
        } catch (const velmora::Error&) {
            ++errors;
        } catch (const std::exception& e) {
            ADD_FAILURE() << "allocation " << at << ": " << e.what();
        }
        const bool failed = vtest::AllocationFailed();
        vtest::FailAllocation(0);
        if (done && !failed) break;
    }
    EXPECT_GT(errors, 5);
}

}  // namespace
