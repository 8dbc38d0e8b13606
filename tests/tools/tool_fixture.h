// Runs the command-line tool as a user does, through the shell, and keeps
// what it printed.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/test_support.h"
#include "velmora/newdib.h"

namespace vtool {

inline std::string Quote(const std::string& s) { return "'" + s + "'"; }
inline std::string Sample(const std::string& name) { return Quote(vtest::DataPath("bmp/" + name)); }
inline bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

struct Outcome {
    int status = -1;  // exit code, -1 when the tool did not exit normally
    std::string out, err;
};

class Tool : public ::testing::Test {
protected:
    // Runs the tool through the shell in `locale`, its output and errors kept
    // in files. Without `tool`, `args` is a whole shell command of its own.
    Outcome Run(const std::string& args, const std::string& locale = "C.UTF-8", bool tool = true) {
        const std::string out = dir.file("stdout.txt"), err = dir.file("stderr.txt");
        const std::string command = "export LC_ALL=" + locale + "; (" + (tool ? Quote(VELMORA_TOOL_PATH) + " " : "") +
                                    args + ") >" + Quote(out) + " 2>" + Quote(err);
        const int status = std::system(command.c_str());
        Outcome o;
        if (WIFEXITED(status)) o.status = WEXITSTATUS(status);
        const std::vector<unsigned char> a = vtest::ReadAll(out), b = vtest::ReadAll(err);
        o.out.assign(a.begin(), a.end());
        o.err.assign(b.begin(), b.end());
        return o;
    }
    std::string Out(const std::string& name) const { return Quote(dir.file(name)); }
    // Reads a drawn 24-bit image back and compares every pixel (x, picture
    // row y) with expected(x, y).
    template <typename Expected>
    void ExpectDrawn(const std::string& name, int width, int height, Expected expected) {
        CNewDIB image;
        ASSERT_EQ(image.ReadFile(dir.file(name).c_str(), -1), 1) << name;
        ASSERT_EQ(image.GetBitCount(), 24);
        ASSERT_EQ(image.GetWidth(), width);
        ASSERT_EQ(image.GetHeight(), height);
        for (int y = 0; y < height; ++y) {
            const BYTE* row = image.GetDIBRow(height - 1 - y);
            for (int x = 0; x < width; ++x)
                ASSERT_EQ(RGB(row[3 * x + 2], row[3 * x + 1], row[3 * x]), expected(x, y))
                    << name << " " << x << "," << y;
        }
    }
    vtest::TempDir dir;
};

}  // namespace vtool
