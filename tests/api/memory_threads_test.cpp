// Threads sharing a process memory limit: the budget's grants and waits, and
// many threads reading, turning and saving under a small limit without a
// failure and with the bytes one thread alone gives.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <thread>
#include <vector>

#include "codecs/image_fixture.h"
#include "storage/memory_budget.h"
#include "support/test_support.h"
#include "velmora/image.hpp"
#include "velmora/system.h"

namespace {

constexpr uint64_t kMiB = 1024 * 1024;

class ScopedLimit {
public:
    explicit ScopedLimit(uint64_t bytes) { SetProcessMemoryLimit(bytes); }
    ~ScopedLimit() { SetProcessMemoryLimit(0); }
};

TEST(MemoryBudget, WindowsShrinkToWhatIsLeftAndWaitForTheSmallest) {
    ScopedLimit limit(10 * kMiB);
    int block = 0, first = 0, second = 0;
    ASSERT_TRUE(velmora::ReserveBudget(&block, 6 * kMiB));
    EXPECT_FALSE(velmora::ReserveBudget(&block + 1, 5 * kMiB));  // does not fit: nothing entered
    // 4 MiB are left; another owner holds memory, so a window gets half.
    EXPECT_EQ(velmora::GrantWindowBudget(&first, 8 * kMiB, kMiB), 2 * kMiB);
    EXPECT_EQ(velmora::GrantWindowBudget(&second, 8 * kMiB, kMiB), kMiB);
    EXPECT_EQ(velmora::BudgetFree(), kMiB);
    // Held by this thread alone, nothing can come back: the smallest window
    // goes over the limit.
    int third = 0;
    EXPECT_EQ(velmora::GrantWindowBudget(&third, 8 * kMiB, 2 * kMiB, 20), 2 * kMiB);
    velmora::ReleaseBudget(&third);
    // Held by another thread: it waits until that thread gives it back...
    std::thread holder([&] {
        int other = 0;
        ASSERT_TRUE(velmora::ReserveBudget(&other, kMiB));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        velmora::ReleaseBudget(&block);
        velmora::ReleaseBudget(&other);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(velmora::GrantWindowBudget(&third, 3 * kMiB, 2 * kMiB), 3 * kMiB);
    holder.join();
    // ...and fails, after a brief wait, when nothing comes back.
    int other = 0;
    std::thread([&] { EXPECT_TRUE(velmora::ReserveBudget(&other, 4 * kMiB)); }).join();
    int fourth = 0;
    EXPECT_EQ(velmora::GrantWindowBudget(&fourth, 8 * kMiB, 8 * kMiB, 20), 0u);
    for (const int* owner : {&first, &second, &third, &other}) velmora::ReleaseBudget(owner);
    EXPECT_EQ(velmora::BudgetReserved(), 0u);
}

TEST(MemoryBudget, WithoutALimitEverythingIsGranted) {
    int owner = 0;
    EXPECT_TRUE(velmora::ReserveBudget(&owner, uint64_t{1} << 40));
    EXPECT_EQ(velmora::GrantWindowBudget(&owner, 5 * kMiB, kMiB), 5 * kMiB);
    EXPECT_EQ(velmora::BudgetReserved(), 0u);
}

// 24 threads each read an image of one of the formats, turn it and save it,
// several times, under a limit far below what they would take each alone.
TEST(MemoryBudget, ManyThreadsUnderOneLimitNeverFail) {
    vtest::ScopedSettings keep;
    vtest::TempDir dir, pages;
    velmora::set_virtual_dir(pages.path());
    const char* formats[] = {"bmp", "tif", "png", "gif", "pcx", "bmp"};
    std::vector<uint8_t> pixels(600 * 400);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 31 / 7);
    std::vector<velmora::Rgb> palette;
    for (int i = 0; i < 256; ++i) palette.push_back({uint8_t(i), uint8_t(i / 2), uint8_t(255 - i)});
    const velmora::Image source = velmora::Image::from_pixels(600, 400, 8, pixels.data(), 600, palette);
    for (const char* f : formats) source.save(dir.file(std::string("in.") + f));
    // What one thread alone makes of each.
    std::map<std::string, std::vector<unsigned char>> expected;
    for (const char* f : formats) {
        velmora::Image alone = velmora::Image::open(dir.file(std::string("in.") + f));
        alone.rotate(velmora::Turn::right);
        alone.save(dir.file(std::string("alone_") + f + ".bmp"));
        expected[f] = vtest::ReadAll(dir.file(std::string("alone_") + f + ".bmp"));
    }

    ScopedLimit limit(4 * kMiB);  // 240 KB images, 24 at once
    std::atomic<int> failures{0}, pageFiles{0}, mismatches{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 24; ++t)
        threads.emplace_back([&, t] {
            for (int job = 0; job < 4; ++job) {
                const std::string format = formats[(t + job) % 6];
                const std::string out = dir.file("out" + std::to_string(t) + "_" + std::to_string(job) + ".bmp");
                try {
                    velmora::Image image = velmora::Image::open(dir.file("in." + format));
                    if (image.in_page_file()) ++pageFiles;
                    image.rotate(velmora::Turn::right);
                    image.save(out);
                    if (vtest::ReadAll(out) != expected[format]) ++mismatches;
                } catch (const velmora::Error& e) {
                    ++failures;
                    ADD_FAILURE() << format << ": " << e.what() << " [" << e.text() << "]";
                }
            }
        });
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(mismatches.load(), 0);
    EXPECT_GT(pageFiles.load(), 0);  // the limit was felt
    EXPECT_EQ(velmora::BudgetReserved(), 0u);
    EXPECT_TRUE(pages.List().empty());
}

}  // namespace
