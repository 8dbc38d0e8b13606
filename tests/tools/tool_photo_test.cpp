// The tool on photos: thumbnails and conversions upright unless told not
// to, metadata kept unless stripped, alpha kept by PNG thumbnails.
#include <gtest/gtest.h>

#include "tools/tool_fixture.h"

namespace {

using vtool::Has;
using vtool::Outcome;
using vtool::Quote;
using vtool::Tool;

std::string Photo(const std::string& name) { return Quote(vtest::DataPath("photo/" + name)); }

TEST_F(Tool, PhotoOptionsDecideOrientationAndMetadata) {
    const struct {
        const char* command;
        int width, height;
        bool metadata;
    } cases[] = {
        {"thumbnail IN OUT --size 8", 8, 4, true},
        {"thumbnail IN OUT --size 8 --no-auto-orient", 4, 8, true},
        {"thumbnail IN OUT --size 8 --strip", 8, 4, false},
        {"convert IN OUT", 32, 16, true},
        {"convert IN OUT --no-auto-orient --strip", 16, 32, false},
        {"convert --to png --out-dir DIR IN", 32, 16, true},
    };
    for (const auto& c : cases) {
        std::string command = c.command;
        const std::string output = dir.file("orient_6.png");
        command.replace(command.find("IN"), 2, Photo("orient_6.jpg"));
        if (command.find("OUT") != std::string::npos) command.replace(command.find("OUT"), 3, Quote(output));
        if (command.find("DIR") != std::string::npos) command.replace(command.find("DIR"), 3, Quote(dir.path()));
        const Outcome o = Run(command);
        ASSERT_EQ(o.status, 0) << command << ": " << o.err;
        CNewDIB image;
        ASSERT_EQ(image.ReadFile(output.c_str(), -1), 1) << command;
        EXPECT_EQ(image.GetWidth(), c.width) << command;
        EXPECT_EQ(image.GetHeight(), c.height) << command;
        EXPECT_EQ(!image.GetMetadata().empty(), c.metadata) << command;
    }
    const Outcome info = Run("info --json " + Photo("orient_6.jpg"));
    EXPECT_TRUE(Has(info.out, "\"width\": 32, \"height\": 16,")) << info.out;
    EXPECT_TRUE(Has(info.out, "\"orientation\": 6}")) << info.out;
}

TEST_F(Tool, ThumbnailOfAnRgbaPngKeepsItsAlpha) {
    const Outcome o = Run("thumbnail " + Quote(vtest::DataPath("png/basn6a08.png")) + " " + Out("small.png") +
                          " --size 16");
    ASSERT_EQ(o.status, 0) << o.err;
    CNewDIB image;
    ASSERT_EQ(image.ReadFile(dir.file("small.png").c_str(), -1), 1);
    EXPECT_EQ(image.GetBitCount(), 32);
    EXPECT_EQ(image.GetWidth(), 16);
}

}  // namespace
