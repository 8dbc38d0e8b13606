// The subcommands' shared argument splitting and number parsing.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tools/option_parser.h"

namespace {

using velmora::cli::ParsedArgs;

TEST(OptionParser, SplitsOptionsFromFiles) {
    const struct {
        velmora::cli::Args args;
        bool ok;
        std::string seen;  // options as name=value, then files, or the error
    } cases[] = {
        {{"in.bmp", "--port", "0", "--no-browser", "-"}, true, "--port=0 --no-browser= | in.bmp -"},
        {{"--host", "--port"}, true, "--host=--port | "},  // a value may look like an option
        {{"in.bmp", "--port"}, false, "--port needs a value"},
        {{"--colour", "red"}, false, "unknown option '--colour'"},
        {{"-x"}, false, "unknown option '-x'"},
    };
    for (const auto& c : cases) {
        ParsedArgs parsed;
        std::string error, seen;
        const bool ok = velmora::cli::SplitArgs(c.args, {"--no-browser"}, {"--port", "--host"}, &parsed, &error);
        EXPECT_EQ(ok, c.ok) << c.seen;
        if (ok) {
            for (const auto& [name, value] : parsed.options) seen += name + "=" + value + " ";
            seen += "|";
            for (const auto& f : parsed.files) seen += " " + f;
            if (parsed.files.empty()) seen += " ";
        }
        EXPECT_EQ(ok ? seen : error, c.seen);
    }
}

TEST(OptionParser, TakesDecimalNumbersInRangeOnly) {
    const struct {
        const char* text;
        bool ok;
    } cases[] = {{"0", true},   {"65535", true}, {"65536", false}, {"-1", false}, {"+5", false},
                 {" 5", false}, {"5x", false},   {"", false},      {"99999999999", false}};
    for (const auto& c : cases) {
        int value = -7;
        EXPECT_EQ(velmora::cli::ParseIntIn(c.text, 0, 65535, &value), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(value, std::atoi(c.text)) << c.text;
        }
    }
}

}  // namespace
