// A helper thread that cannot be had, or whose work throws, leaves the work
// to the caller instead of ending the process.
#include <gtest/gtest.h>

#include <new>

#include "platform/helper_thread.h"

namespace {

TEST(HelperThread, RefusalsAndExceptionsComeBackAsNotDone) {
    struct Case {
        const char* what;
        int refused;
        bool throws;
        bool started, done;
    } cases[] = {
        {"runs", 0, false, true, true},
        {"refused", 1, false, false, false},
        {"throws", 0, true, true, false},
    };
    for (const Case& c : cases) {
        velmora::RefuseHelperThreads(c.refused);
        bool ran = false;
        velmora::HelperThread helper;
        EXPECT_EQ(helper.Start([&] {
            ran = true;
            if (c.throws) throw std::bad_alloc();
        }),
                  c.started)
            << c.what;
        EXPECT_EQ(helper.Join(), c.done) << c.what;
        EXPECT_EQ(ran, c.started) << c.what;
        EXPECT_FALSE(helper.Join()) << c.what << ": nothing left to wait for";
    }
    velmora::RefuseHelperThreads(0);
}

}  // namespace
