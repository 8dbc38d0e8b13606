// <velmora/image.hpp> beside a host's own names: this file defines BOOL,
// RECT and GetFileName as other headers do, then includes the facade, which
// must bring in none of the library's Windows or MFC names.
#include <string>

typedef unsigned char BOOL;  // as <X11/Xmd.h> has it
struct RECT {
    double left, top;
};
static std::string GetFileName(std::string path) { return path + "!"; }

#include <gtest/gtest.h>

#include "velmora/image.hpp"

TEST(FacadeHeader, HostNamesStayTheHosts) {
    BOOL flag = 2;
    RECT r{0.5, 1.5};
    EXPECT_EQ(GetFileName("a"), "a!");
    EXPECT_EQ(flag, 2);
    EXPECT_DOUBLE_EQ(r.left, 0.5);
    velmora::Image empty;
    EXPECT_TRUE(empty.empty());
    EXPECT_EQ(empty.width(), 0);
}
