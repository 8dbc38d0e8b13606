// velmora: the command-line tool.
#include <cstdio>
#include <cstring>

#include "tools/commands.h"
#include "velmora/version.h"

namespace velmora::cli {

static const Command kCommands[] = {
    {"formats", "", "list the file types and their dialog filters", RunFormats},
    {"info", "FILE", "describe an image file", RunInfo},
    {"convert", "IN OUT [options]", "read, transform and save an image", RunConvert},
    {"draw", "IN OUT [options]", "render an image onto a surface and save it", RunDraw},
};

std::string GbkToLocale(const char* gbk) { return gbk ? gbk : ""; }

void PrintFailure(const std::string& what, const char* libraryText) {
    std::fprintf(stderr, "velmora: %s: %s\n", what.c_str(), GbkToLocale(libraryText).c_str());
}

int RunFormats(const Args&) { return 0; }

}  // namespace velmora::cli

int main(int argc, char** argv) {
    using namespace velmora::cli;
    if (argc < 2 || !std::strcmp(argv[1], "--help")) {
        std::printf("usage: velmora COMMAND [ARGS]\n");
        for (const Command& c : kCommands) std::printf("  %-8s %-18s %s\n", c.name, c.usage, c.summary);
        return argc < 2 ? 2 : 0;
    }
    if (!std::strcmp(argv[1], "--version")) {
        std::printf("velmora %s\n", VELMORA_VERSION);
        return 0;
    }
    for (const Command& c : kCommands)
        if (!std::strcmp(argv[1], c.name)) return c.run(Args(argv + 2, argv + argc));
    std::fprintf(stderr, "velmora: unknown command '%s'\n", argv[1]);
    return 2;
}
