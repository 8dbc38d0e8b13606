// Saves with and without options from many threads under one memory limit:
// each save follows its own options only, none waits for another, and every
// file is byte for byte what one thread alone writes; saves and turns of one
// image from several threads too.
#include <gtest/gtest.h>

#include <atomic>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include "codecs/image_fixture.h"
#include "storage/memory_budget.h"
#include "support/test_support.h"
#include "velmora/image.hpp"
#include "velmora/system.h"

namespace {

constexpr uint64_t kMiB = 1024 * 1024;

struct Job {
    const char* name;  // the output's name, its extension the format
    std::optional<int> quality;
    std::optional<std::string> compression;
    std::optional<int> level;
    bool geotiff = false;  // the BigTIFF GeoTIFF written back (BigTIFF forced)
};

const Job kJobs[] = {
    {"plain.jpg", {}, {}, {}}, {"q20.jpg", 20, {}, {}},    {"plain.tif", {}, {}, {}}, {"lzw.tif", {}, "lzw", {}},
    {"plain.png", {}, {}, {}}, {"l9.png", {}, {}, 9},      {"geo.tif", {}, {}, {}, true},
};

void SaveJob(const Job& job, const velmora::Image& image, const std::string& out, velmora::Progress progress = {}) {
    if (job.geotiff) {
        velmora::GeoTIFF(vtest::DataPath("geotiff/gdal40_bigtiff_le.tif")).write(out);
        return;
    }
    velmora::SaveOptions options;
    options.quality = job.quality;
    options.compression = job.compression;
    options.level = job.level;
    options.progress = std::move(progress);
    image.save(out, options);
}

velmora::Image Picture() {
    std::vector<uint8_t> pixels(480 * 360 * 3);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 7 / 5 + i / 1440);
    return velmora::Image::from_pixels(480, 360, 24, pixels.data(), 480 * 3);
}

class ScopedLimit {
public:
    explicit ScopedLimit(uint64_t bytes) { SetProcessMemoryLimit(bytes); }
    ~ScopedLimit() { SetProcessMemoryLimit(0); }
};

TEST(SaveThreads, EachSaveKeepsItsOptionsUnderOneLimit) {
    vtest::ScopedSettings keep;
    vtest::TempDir dir, pages;
    velmora::set_virtual_dir(pages.path());
    const velmora::Image source = Picture();
    std::map<std::string, std::vector<unsigned char>> alone;
    for (const Job& job : kJobs) {
        SaveJob(job, source, dir.file(std::string("alone_") + job.name));
        alone[job.name] = vtest::ReadAll(dir.file(std::string("alone_") + job.name));
    }
    // A PNG save while the threads leave less memory free than the image's
    // size (here: a limit just above what the process holds) goes on: it
    // takes no more than a row.
    {
        MEMORYSTATUS memory{};
        SetProcessMemoryLimit(64 * kMiB);
        GlobalMemoryStatus(&memory);
        ScopedLimit tight(64 * kMiB - memory.dwAvailPhys + 64 * 1024);
        SaveJob(kJobs[4], source, dir.file("tight.png"));
        EXPECT_EQ(vtest::ReadAll(dir.file("tight.png")), alone["plain.png"]);
    }
    ScopedLimit limit(64 * kMiB);

    constexpr int kThreads = 24, kRounds = 3;
    std::atomic<int> failures{0}, mismatches{0};
    auto check = [&](const Job& job, const std::string& out) {
        if (vtest::ReadAll(out) != alone[job.name]) {
            ++mismatches;
            ADD_FAILURE() << out << " differs from a one-thread save";
        }
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            const velmora::Image image = source.copy(), other = source.copy();
            for (int round = 0; round < kRounds; ++round) {
                const Job& job = kJobs[(t + round) % std::size(kJobs)];
                const std::string stem = dir.file(std::to_string(t) + "_" + std::to_string(round) + "_");
                try {
                    // One thread's progress handler saves with an option of its own.
                    velmora::Progress nested;
                    if (t == 0 && round == 0)
                        nested = [&, done = false](int) mutable {
                            if (!std::exchange(done, true)) SaveJob(kJobs[1], other, stem + "nested.jpg");
                        };
                    SaveJob(job, image, stem + job.name, nested);
                    check(job, stem + job.name);
                    if (nested) check(kJobs[1], stem + "nested.jpg");
                } catch (const velmora::Error& e) {
                    ++failures;
                    ADD_FAILURE() << job.name << ": " << e.what();
                }
            }
        });
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(mismatches.load(), 0);
    EXPECT_EQ(velmora::BudgetReserved(), 0u);
}

std::vector<uint8_t> NaturalOf(const velmora::Image& image) {
    std::vector<uint8_t> natural(static_cast<size_t>(image.width()) * image.height() * image.channels());
    image.copy_pixels(0, image.height(), natural.data(), natural.size());
    return natural;
}

// Two threads save one image (their progress handlers letting other calls
// in) while a third turns it: a turn waits for the saves under way, so every
// file is what one thread writes of one of the four turns, in memory and
// across page-file windows alike.
TEST(SaveThreads, SavesAndTurnsOfOneImage) {
    for (const bool pageFile : {false, true}) {
        SCOPED_TRACE(pageFile ? "page file" : "memory");
        vtest::TempDir dir;
        std::optional<vtest::PageFileMode> pages;
        if (pageFile) pages.emplace(4 * vtest::kMiB);
        velmora::Image image = Picture();
        ASSERT_EQ(image.in_page_file(), pageFile);
        const std::vector<uint8_t> start = NaturalOf(image);
        std::set<std::vector<unsigned char>> turns;
        for (int q = 0; q < 4; ++q, image.rotate(velmora::Turn::right)) {
            image.save(dir.file("alone.png"));
            turns.insert(vtest::ReadAll(dir.file("alone.png")));
        }
        constexpr int kSaves = 6;
        auto saver = [&](int t) {
            velmora::SaveOptions options;
            options.progress = [](int) { std::this_thread::yield(); };
            for (int i = 0; i < kSaves; ++i) {
                const std::string out = dir.file(std::to_string(t) + "_" + std::to_string(i) + ".png");
                image.save(out, options);
                EXPECT_EQ(turns.count(vtest::ReadAll(out)), 1u) << out << " is no one-thread save";
            }
        };
        std::thread first(saver, 0), second(saver, 1);
        std::thread turner([&] {
            for (int i = 0; i < 8; ++i) image.rotate(velmora::Turn::right);
        });
        first.join();
        second.join();
        turner.join();
        EXPECT_EQ(NaturalOf(image), start);  // two whole turns
    }
}

}  // namespace
