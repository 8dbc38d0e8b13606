// A host whose main window uses the image on every progress message: it
// draws it, reads pixels and asks for rows far apart, so a page-file image's
// row window moves under the running operation. Every transform and every
// codec's read and save must give the image or file a quiet host gets.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "codecs/bmp_builder.h"
#include "document/transform_test_images.h"
#include "velmora/devicecontext.h"

namespace {

// The thread's main window for its lifetime; every message makes it use
// `image` as a host redrawing its view would.
class MeddlingWindow {
public:
    explicit MeddlingWindow(CNewDIB& image) : m_image(image), m_dc(CreateMemoryDC(48, 48, RGB(255, 255, 255))) {
        m_hWnd = RegisterMainWindow([this](HWND, UINT, WPARAM, LPARAM) -> LRESULT {
            Meddle();
            return 0;
        });
    }
    ~MeddlingWindow() {
        UnregisterMainWindow(m_hWnd);
        DeleteMemoryDC(m_dc);
    }
    int Messages() const { return m_nMessages; }

private:
    void Meddle() {
        ++m_nMessages;
        if (!m_image.Ready()) return;
        const int w = m_image.GetWidth(), h = m_image.GetHeight();
        m_image.DrawDIB(m_dc, 0, 0, 48, 48, 0, 0, w, h, SRCCOPY);  // stretched: every window
        m_image.DrawDIB(m_dc, 0, 0, w, h, 0, h / 2, w, h / 2, SRCCOPY);
        for (int y : {h - 1, 0, h / 2}) {
            m_image.GetPixelRGB(w - 1, y);
            m_image.GetDIBRow(y);
        }
        int count = 0;
        m_image.GetDIBBuffer(h / 3, &count, 0);
    }

    CNewDIB& m_image;
    HDC m_dc;
    HWND m_hWnd;
    int m_nMessages = 0;
};

struct Shape {
    int width, height, bitCount;
};

// Images that span about two and a half 128 KiB windows in page-file mode.
const Shape kShapes[] = {{401, 800, 8}, {301, 360, 24}, {97, 840, 32}};

// The parameter: images in page files rather than in memory.
class ProgressHandler : public testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        if (GetParam()) m_pages = std::make_unique<vtest::PageFileMode>(4 * vtest::kMiB);
    }
    void TearDown() override { m_pages.reset(); }

    void MakeImage(CNewDIB& image, const Shape& s) {
        ASSERT_EQ(image.CreateDIB(s.width, s.height, s.bitCount), 1);
        ASSERT_EQ(image.IsMapped(), GetParam() ? 1 : 0);
        if (GetParam()) {
            ASSERT_LT(ttest::FirstRunRows(image), s.height) << "one window holds it all";
        }
        ttest::FillPattern(image, static_cast<uint32_t>(s.width));
    }

    // Runs `operation` on a fresh image under a quiet host and under a
    // meddling one; both must succeed with the same image.
    using Operation = std::function<int(CNewDIB& image, const std::string& name)>;
    void ExpectSameUnderMeddling(const Shape& s, const Operation& operation) {
        CNewDIB quiet, meddled;
        MakeImage(quiet, s);
        MakeImage(meddled, s);
        ASSERT_EQ(operation(quiet, "quiet"), 1);
        MeddlingWindow window(meddled);
        ASSERT_EQ(operation(meddled, "meddled"), 1);
        EXPECT_GT(window.Messages(), 0);
        const ttest::Snapshot a = ttest::Take(quiet), b = ttest::Take(meddled);
        EXPECT_EQ(a.header, b.header);
        EXPECT_TRUE(a.rows == b.rows) << "the rows differ";
    }

    std::unique_ptr<vtest::PageFileMode> m_pages;
    vtest::TempDir m_files;
};

TEST_P(ProgressHandler, EveryTransformGivesWhatAQuietHostGets) {
    using Transform = int (CNewDIB::*)();
    const std::pair<const char*, Transform> transforms[] = {
        {"RightRotate", &CNewDIB::RightRotate}, {"LeftRotate", &CNewDIB::LeftRotate},
        {"InvertColor", &CNewDIB::InvertColor}, {"VerticalFlip", &CNewDIB::VerticalFlip},
        {"HorizonFlip", &CNewDIB::HorizonFlip}};
    for (const Shape& s : kShapes)
        for (const auto& [name, transform] : transforms) {
            SCOPED_TRACE(testing::Message() << name << " of " << s.width << " x " << s.height << " x " << s.bitCount);
            ExpectSameUnderMeddling(s, [t = transform](CNewDIB& image, const std::string&) { return (image.*t)(); });
        }
}

// The formats whose files are written and read through the row loop; a
// format joins with its extension and the bit counts it saves as they are.
struct Format {
    const char* extension;
    std::vector<int> bitCounts;
};
const Format kFormats[] = {{"bmp", {8, 24, 32}}, {"tif", {8, 24}}, {"jpg", {24}}, {"png", {8}}, {"gif", {8}}};

TEST_P(ProgressHandler, EveryCodecReadsAndSavesWhatAQuietHostGets) {
    for (const Format& f : kFormats)
        for (const Shape& s : kShapes) {
            if (std::find(f.bitCounts.begin(), f.bitCounts.end(), s.bitCount) == f.bitCounts.end()) continue;
            SCOPED_TRACE(testing::Message() << f.extension << ", " << s.width << " x " << s.height << " x "
                                            << s.bitCount);
            ExpectSameUnderMeddling(s, [&](CNewDIB& image, const std::string& name) {
                const std::string path = m_files.file(name + "." + f.extension);
                return image.SaveFile(path.c_str(), -1, 0) && image.ReadFile(path.c_str(), -1);
            });
        }
}

// Top-down BMP rows go through the loop in picture-row order.
TEST_P(ProgressHandler, TopDownBmpReadsWhatAQuietHostGets) {
    vtest::BmpLayout layout;
    layout.width = 401, layout.height = -800;
    layout.data.resize(404u * 800);
    for (size_t i = 0; i < layout.data.size(); ++i) layout.data[i] = static_cast<uint8_t>(i * 7 + i / 404);
    const std::string path = m_files.file("topdown.bmp");
    vtest::WriteAll(path, vtest::BuildBmp(layout));
    ExpectSameUnderMeddling({401, 800, 8}, [&](CNewDIB& image, const std::string&) {
        return image.ReadFile(path.c_str(), -1);
    });
}

INSTANTIATE_TEST_SUITE_P(Storage, ProgressHandler, testing::Bool(), [](const testing::TestParamInfo<bool>& info) {
    return info.param ? std::string("PageFile") : std::string("Memory");
});

}  // namespace
