// velmora::Image, Error and GeoTIFF: real files to their reference decodings,
// round trips through every format, transforms, blocks of rows across row
// windows, and failures as Errors with their codes.
#include <gtest/gtest.h>

#include <cerrno>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <future>
#include <optional>
#include <thread>
#include <vector>

#include "codecs/image_fixture.h"
#include "support/test_support.h"
#include "velmora/application.h"
#include "velmora/environment.h"
#include "velmora/image.hpp"

namespace {

using velmora::Error;
using velmora::ErrorCode;
using velmora::Image;

// The picture as RGB, top row first, through copy_pixels and the palette.
std::vector<unsigned char> RgbOf(const Image& image) {
    const int channels = image.channels();
    std::vector<unsigned char> natural(static_cast<size_t>(image.width()) * image.height() * channels);
    image.copy_pixels(0, image.height(), natural.data(), natural.size());
    if (channels == 3) return natural;
    std::vector<unsigned char> rgb;
    const std::vector<velmora::Rgb> palette = image.palette();
    for (size_t i = 0; i < natural.size(); i += channels) {
        if (channels == 1) rgb.insert(rgb.end(), palette[natural[i]].begin(), palette[natural[i]].end());
        else rgb.insert(rgb.end(), natural.begin() + i, natural.begin() + i + 3);
    }
    return rgb;
}

std::vector<unsigned char> NaturalOf(const Image& image) {
    std::vector<unsigned char> natural(static_cast<size_t>(image.width()) * image.height() * image.channels());
    image.copy_pixels(0, image.height(), natural.data(), natural.size());
    return natural;
}

std::vector<unsigned char> RgbOf(const vtest::RefImage& ref) {
    std::vector<unsigned char> rgb;
    for (int y = 0; y < ref.height; ++y)
        for (int x = 0; x < ref.width; ++x) {
            int r, g, b;
            ref.rgb(x, y, &r, &g, &b);
            rgb.insert(rgb.end(), {static_cast<unsigned char>(r), static_cast<unsigned char>(g),
                                   static_cast<unsigned char>(b)});
        }
    return rgb;
}

ErrorCode CodeOf(const std::function<void()>& call, std::string* text = nullptr, int* err = nullptr) {
    try {
        call();
    } catch (const Error& e) {
        if (text) *text = e.text();
        if (err) *err = e.system_errno();
        EXPECT_NE(std::string(e.what()), "");
        return e.code();
    }
    ADD_FAILURE() << "no Error";
    return ErrorCode::invalid_argument;
}

// A picture with distinct values in every row and column.
Image Pattern(int width, int height, int bitCount) {
    const int channels = bitCount <= 8 ? 1 : bitCount / 8;
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * channels);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<unsigned char>((i * 7 + i / 97) & 0xFF);
    std::vector<velmora::Rgb> palette;
    for (int i = 0; bitCount == 8 && i < 256; ++i)
        palette.push_back({static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 3)});
    return Image::from_pixels(width, height, bitCount, pixels.data(), static_cast<size_t>(width) * channels, palette);
}

TEST(Facade, ReadsEveryFormatAsItsReference) {
    const char* files[] = {"bmp/pal1.bmp", "bmp/pal4.bmp", "bmp/pal8.bmp", "bmp/rgb24.bmp", "bmp/rgb16.bmp",
                           "gif/fire.gif", "gif/im_16c_w37.gif"};
    for (const char* name : files) {
        SCOPED_TRACE(name);
        const std::string path = vtest::DataPath(name);
        const Image image = Image::open(path);
        std::string ref = path.substr(0, path.rfind('.')) + ".ref.ppm";
        if (!vtest::FileExists(ref)) ref = path.substr(0, path.rfind('.')) + ".ref.pgm";
        const vtest::RefImage expected = vtest::ReadPnm(ref);
        ASSERT_TRUE(expected.ok());
        EXPECT_EQ(image.width(), expected.width);
        EXPECT_EQ(image.height(), expected.height);
        EXPECT_EQ(RgbOf(image), RgbOf(expected));
        EXPECT_EQ(image.palette().empty(), image.bit_count() > 8);
    }
}

TEST(Facade, FormatComesFromTheContent) {
    vtest::TempDir dir;
    const std::string misnamed = dir.file("really_a_gif.bmp");
    vtest::WriteAll(misnamed, vtest::ReadAll(vtest::DataPath("gif/fire.gif")));
    EXPECT_EQ(RgbOf(Image::open(misnamed)), RgbOf(Image::open(vtest::DataPath("gif/fire.gif"))));
}

TEST(Facade, SavesRoundTripThroughEveryFormatThatHoldsThePicture) {
    vtest::TempDir dir;
    const Image rgb = Pattern(61, 23, 24), indexed = Pattern(61, 23, 8);
    const struct {
        const char* name;
        const Image& image;
    } rows[] = {{"a.bmp", rgb}, {"a.tif", rgb}, {"b.bmp", indexed}, {"b.tif", indexed},
                {"b.pcx", indexed}, {"b.gif", indexed}, {"b.png", indexed}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        row.image.save(dir.file(row.name));
        const Image back = Image::open(dir.file(row.name));
        EXPECT_EQ(NaturalOf(back), NaturalOf(row.image));
    }
    // JPEG is lossy: the size and depth come back.
    rgb.save(dir.file("a.jpg"));
    EXPECT_EQ(Image::open(dir.file("a.jpg")).width(), 61);
    // A save option is used for its save only.
    velmora::SaveOptions smallest;
    smallest.level = 9;
    indexed.save(dir.file("d.png"), smallest);
    EXPECT_EQ(NaturalOf(Image::open(dir.file("d.png"))), NaturalOf(indexed));
    EXPECT_EQ(GetPngCompressionLevel(), -1);
    velmora::SaveOptions lzw;
    lzw.compression = "lzw";
    rgb.save(dir.file("e.tif"), lzw);
    EXPECT_EQ(NaturalOf(Image::open(dir.file("e.tif"))), NaturalOf(rgb));
    EXPECT_NE(vtest::ReadAll(dir.file("e.tif")), vtest::ReadAll(dir.file("a.tif")));
    EXPECT_EQ(GetTiffCompression(), TIFFSAVE_NONE);
    // The format named in the options wins over the extension.
    velmora::SaveOptions asGif;
    asGif.format = "gif";
    indexed.save(dir.file("c.img"), asGif);
    EXPECT_EQ(RgbOf(Image::open(dir.file("c.img"))), RgbOf(indexed));
    // Palettes come back whole, except TIFF's, whose 16-bit colour map the
    // library reads back one level low (reported, not changed here).
    EXPECT_EQ(Image::open(dir.file("b.png")).palette(), indexed.palette());
}

TEST(Facade, TransformsUndoThemselves) {
    for (int bits : {8, 24, 32}) {
        SCOPED_TRACE(bits);
        Image image = Pattern(37, 19, bits);
        const std::vector<unsigned char> before = RgbOf(image);
        image.rotate(velmora::Turn::right);
        EXPECT_EQ(image.width(), 19);
        EXPECT_NE(RgbOf(image), before);
        image.rotate(velmora::Turn::left);
        image.flip(velmora::Flip::vertical);
        image.flip(velmora::Flip::vertical);
        image.flip(velmora::Flip::horizontal);
        image.flip(velmora::Flip::horizontal);
        if (bits != 32) {
            image.invert();
            image.invert();
        }
        EXPECT_EQ(RgbOf(image), before);
    }
}

TEST(Facade, ThumbnailFillsTheBoxWithTheProportions) {
    std::vector<unsigned char> pixels(40 * 20 * 3);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x) pixels[(y * 40 + x) * 3] = (x % 2) ? 200 : 100;  // red stripes
    const Image image = Image::from_pixels(40, 20, 24, pixels.data(), 120);
    const Image small = image.thumbnail(10, 10);
    EXPECT_EQ(small.width(), 10);
    EXPECT_EQ(small.height(), 5);
    const std::vector<unsigned char> rgb = RgbOf(small);
    for (size_t i = 0; i < rgb.size(); i += 3) EXPECT_NEAR(rgb[i], 150, 1);
    EXPECT_EQ(image.thumbnail(400, 400).height(), 200);
}

TEST(Facade, RowsComeInPictureOrderWithinWindows) {
    vtest::PageFileMode pages(4 * vtest::kMiB);  // 128 KiB windows
    const Image image = Pattern(700, 300, 24);   // 630 KB: a page file of several windows
    ASSERT_TRUE(image.in_page_file());
    std::vector<unsigned char> whole(700 * 300 * 3);
    image.copy_pixels(0, 300, whole.data(), whole.size());
    EXPECT_THROW(image.copy_pixels(0, 300, whole.data(), whole.size() - 1), velmora::Error);
    int next = 10, blocks = 0;
    image.rows(10, 280, [&](const velmora::RowBlock& block) {
        EXPECT_EQ(block.top, next);
        EXPECT_LE(block.count, 64);
        for (int k = 0; k < block.count; ++k) {
            const unsigned char* row = block.row(k);
            const unsigned char* want = &whole[static_cast<size_t>(block.top + k) * 2100];
            EXPECT_TRUE(row[0] == want[2] && row[1] == want[1] && row[2] == want[0]);
        }
        next += block.count;
        ++blocks;
        return true;
    }, 64);
    EXPECT_EQ(next, 290);
    EXPECT_GE(blocks, 5);
    // A false from the callback stops the walk without a failure.
    int calls = 0;
    image.rows(0, 300, [&](const velmora::RowBlock&) { return ++calls < 2; }, 10);
    EXPECT_EQ(calls, 2);
}

// Host code that starts another thread reading the image's width and pixels
// and waits for it (generously: a lock held across the host's code makes the
// wait time out rather than hang).
class ReaderInHostCode {
public:
    explicit ReaderInHostCode(const Image& image) : m_image(image), m_width(image.width()), m_natural(NaturalOf(image)) {}
    const std::vector<unsigned char>& Natural() const { return m_natural; }

    void Wait() {
        if (m_reader.valid()) return;
        m_reader = std::async(std::launch::async,
                              [this] { return m_image.width() == m_width && NaturalOf(m_image) == m_natural; });
        m_answered = m_reader.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
    }
    // Whether the reader answered while the host's code waited, and read right.
    bool Answered() { return m_answered && m_reader.get(); }

private:
    const Image& m_image;
    int m_width;
    std::vector<unsigned char> m_natural;
    std::future<bool> m_reader;
    bool m_answered = false;
};

// The image's lock is lent out while the host's code (a save's progress
// handler, a rows visit, a message box) waits for another thread reading the
// same image; the save still writes the picture and the visit's rows stay
// put though the other read moved the window.
TEST(Facade, HostCodeWaitsForAnotherThreadReadingTheImage) {
    enum class Kind { save, rows };
    struct Case {
        const char* name;
        bool pageFile;
        Kind kind;
    };
    for (const Case& c : {Case{"save", false, Kind::save}, Case{"rows", false, Kind::rows},
                          Case{"page-file save", true, Kind::save}, Case{"page-file rows", true, Kind::rows}}) {
        SCOPED_TRACE(c.name);
        vtest::TempDir dir;
        std::optional<vtest::PageFileMode> pages;
        if (c.pageFile) pages.emplace(4 * vtest::kMiB);  // 128 KiB windows
        const Image image = Pattern(700, 300, 24);
        ASSERT_EQ(image.in_page_file(), c.pageFile);
        ReaderInHostCode reader(image);
        const std::vector<unsigned char>& natural = reader.Natural();
        if (c.kind == Kind::save) {
            velmora::SaveOptions options;
            options.progress = [&](int) { reader.Wait(); };
            image.save(dir.file("out.bmp"), options);
            EXPECT_EQ(NaturalOf(Image::open(dir.file("out.bmp"))), natural);
        } else {
            bool rowsKept = true;
            image.rows(0, 300, [&](const velmora::RowBlock& block) {
                reader.Wait();
                for (int k = 0; k < block.count; ++k)
                    for (int x = 0; x < 700 * 3; ++x)  // blue first against RGB
                        rowsKept &= block.row(k)[x] == natural[static_cast<size_t>(block.top + k) * 2100 + x / 3 * 3 + 2 - x % 3];
                return true;
            }, 64);
            EXPECT_TRUE(rowsKept);
        }
        EXPECT_TRUE(reader.Answered());
    }
    // A message box the save shows (GIF holds no 24-bit pixels).
    const Image image = Pattern(120, 80, 24);
    ReaderInHostCode reader(image);
    const MessageBoxHandler previous = SetMessageBoxHandler([&](const char*, const char*, UINT) {
        reader.Wait();
        return IDOK;
    });
    vtest::TempDir dir;
    EXPECT_EQ(CodeOf([&] { image.save(dir.file("out.gif")); }), ErrorCode::unsupported);
    SetMessageBoxHandler(previous);
    EXPECT_TRUE(reader.Answered());
}

// close() from another thread waits for a save under way, which writes the
// whole picture; from inside the save's own handler it is refused.
TEST(Facade, CloseWaitsForAnotherThreadsSave) {
    vtest::TempDir dir;
    vtest::PageFileMode pages(4 * vtest::kMiB);
    Image image = Pattern(700, 300, 24);
    const std::vector<unsigned char> natural = NaturalOf(image);
    std::future<void> closing;
    velmora::SaveOptions options;
    options.progress = [&](int) {
        if (!closing.valid()) {
            EXPECT_EQ(CodeOf([&] { image.close(); }), ErrorCode::invalid_argument);
            closing = std::async(std::launch::async, [&] { image.close(); });
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    };
    image.save(dir.file("out.bmp"), options);
    closing.get();
    EXPECT_EQ(NaturalOf(Image::open(dir.file("out.bmp"))), natural);
    EXPECT_TRUE(image.empty());
    EXPECT_EQ(CodeOf([&] { image.save(dir.file("again.bmp")); }), ErrorCode::empty_image);
}

TEST(Facade, ProgressReachesTheCallback) {
    std::vector<int> steps;
    velmora::OpenOptions options;
    options.progress = [&](int percent) { steps.push_back(percent); };
    Image::open(vtest::DataPath("bmp/rgb24.bmp"), options);
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.back(), 100);
    EXPECT_TRUE(std::is_sorted(steps.begin(), steps.end()));
    // A callback that throws does not throw through the library: its
    // exception comes out of the call afterwards.
    options.progress = [](int) { throw std::runtime_error("host stop"); };
    EXPECT_THROW(Image::open(vtest::DataPath("bmp/rgb24.bmp"), options), std::runtime_error);
}

TEST(Facade, FailuresAreErrorsWithTheirCodes) {
    vtest::TempDir dir;
    std::string text;
    int err = 0;
    EXPECT_EQ(CodeOf([&] { Image::open(dir.file("missing.bmp")); }, &text, &err), ErrorCode::file_not_found);
    EXPECT_EQ(err, ENOENT);
    vtest::WriteAll(dir.file("cut.bmp"), {'B', 'M', 1, 2, 3});
    EXPECT_EQ(CodeOf([&] { Image::open(dir.file("cut.bmp")); }, &text), ErrorCode::bad_data);
    EXPECT_FALSE(text.empty());  // the library's own words
    vtest::WriteAll(dir.file("notes.txt"), {'h', 'i'});
    EXPECT_EQ(CodeOf([&] { Image::open(dir.file("notes.txt")); }), ErrorCode::unknown_format);
    const Image rgb = Pattern(8, 8, 24);
    EXPECT_EQ(CodeOf([&] { rgb.save(dir.file("x.webp")); }), ErrorCode::unknown_format);
    EXPECT_EQ(CodeOf([&] { rgb.save(dir.file("x.gif")); }, &text), ErrorCode::unsupported);
    EXPECT_EQ(text, "本系统不支持非256色位图GIF存储");
    EXPECT_EQ(CodeOf([&] { rgb.save(dir.file("no/such/dir/x.bmp")); }, &text, &err), ErrorCode::write_failed);
    EXPECT_EQ(err, ENOENT);
    velmora::SaveOptions quality;
    quality.quality = 80;
    EXPECT_EQ(CodeOf([&] { rgb.save(dir.file("x.bmp"), quality); }), ErrorCode::unsupported);
    quality.quality = 0;
    EXPECT_EQ(CodeOf([&] { rgb.save(dir.file("x.jpg"), quality); }), ErrorCode::invalid_argument);
    velmora::SaveOptions level;
    level.level = 10;
    EXPECT_EQ(CodeOf([&] { rgb.save(dir.file("x.png"), level); }), ErrorCode::invalid_argument);
    EXPECT_EQ(CodeOf([&] { rgb.rows(4, 5, [](const velmora::RowBlock&) { return true; }); }),
              ErrorCode::invalid_argument);
    EXPECT_EQ(CodeOf([&] { Image().rotate(velmora::Turn::left); }), ErrorCode::empty_image);
    EXPECT_EQ(CodeOf([&] { Image::from_pixels(0, 5, 24, nullptr, 0); }), ErrorCode::invalid_argument);
    EXPECT_FALSE(vtest::FileExists(dir.file("x.gif")));
}

TEST(Facade, SettingsReachTheLibrary) {
    vtest::ScopedSettings keep;
    vtest::TempDir dir;
    velmora::set_virtual_dir(dir.path());
    EXPECT_EQ(velmora::virtual_dir(), dir.dir());
    velmora::set_memory_limit(96 << 20);
    EXPECT_EQ(velmora::memory_limit(), 96u << 20);
    velmora::set_memory_limit(0);
}

TEST(Facade, GeoTiffKeysByNameAndWrite) {
    const velmora::GeoTIFF geo(vtest::DataPath("geotiff/gdal_utm33n_grey.tif"));
    const auto keys = geo.keys();
    ASSERT_TRUE(keys.count("GTModelTypeGeoKey"));
    EXPECT_EQ(std::get<int>(keys.at("GTModelTypeGeoKey")), 1);  // projected
    EXPECT_EQ(std::get<int>(keys.at("ProjectedCSTypeGeoKey")), 32633);
    EXPECT_NE(geo.report().find("ProjectedCSTypeGeoKey"), std::string::npos);
    EXPECT_EQ(geo.pixel_scale().size(), 3u);
    EXPECT_EQ(geo.tie_points().size() % 6, 0u);
    vtest::TempDir dir;
    geo.write(dir.file("copy.tif"));
    const velmora::GeoTIFF copy(dir.file("copy.tif"));
    EXPECT_EQ(copy.keys(), keys);
    EXPECT_EQ(copy.tie_points(), geo.tie_points());
    const Image image = Pattern(16, 8, 8);
    geo.write(dir.file("other.tif"), &image);
    EXPECT_EQ(Image::open(dir.file("other.tif")).width(), 16);
    EXPECT_EQ(CodeOf([&] { velmora::GeoTIFF(vtest::DataPath("bmp/pal8.bmp")); }), ErrorCode::geotiff_failed);
}

}  // namespace
