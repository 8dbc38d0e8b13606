// velmora: the command-line tool.
#include <cstdio>
#include <cstring>

#include "tools/commands.h"
#include "tools/progress_bar.h"
#include "tools/shared_options.h"
#include "velmora/version.h"

namespace velmora::cli {
namespace {

const Command kCommands[] = {
    {"formats", "", "list the file types and their dialog filters", RunFormats},
    {"info", "[--json] FILE...", "describe image files from their headers", RunInfo},
    {"convert", "IN OUT [options]", "read, transform and save an image", RunConvert},
    {"convert", "--to FMT --out-dir DIR FILE...", "convert many files, with one progress bar", RunConvert},
    {"draw", "IN OUT [options]", "render an image onto a surface and save it", RunDraw},
    {"thumbnail", "IN OUT --size N|WxH", "a filtered reduction, aspect ratio kept", RunThumbnail},
    {"geotiff", "FILE [options]", "list a GeoTIFF file's keys, or write its georeferencing", RunGeoTiff},
    {"cog", "IN OUT [options]", "a Cloud-Optimized GeoTIFF of an image's values, georeferencing kept", RunCog},
    {"contact-sheet", "DIR OUT", "thumbnails of every image in DIR on one sheet", RunContactSheet},
    {"tiles", "IN OUTDIR [options]", "a DeepZoom pyramid of tiles (OUTDIR/<name>.dzi)", RunTiles},
    {"view", "IN [--port N] [--no-browser]", "pan and zoom the image in the browser", RunView},
};

void PrintHelp(std::FILE* out) {
    std::fprintf(out, "usage: velmora [OPTIONS] COMMAND [ARGS]\n\nCommands:\n");
    for (const Command& c : kCommands) {
        std::string call = std::string(c.name) + (*c.usage ? " " : "") + c.usage;
        std::fprintf(out, "  %-34s %s\n", call.c_str(), c.summary);
    }
    std::fprintf(out, "\nOptions (accepted anywhere on the line, before a \"--\"):\n%s", SharedOptionsHelp());
    std::fprintf(out,
                 "  --help                show this help (after a command: that command's help)\n"
                 "  --version             show the version\n"
                 "\n'-' is standard input for info, convert, draw and thumbnail (the format from the content)\n"
                 "and standard output for convert and thumbnail (the format from --format); write ./- for a\n"
                 "file of that name. Library messages are\n"
                 "shown with an English gloss, or the gloss alone where the terminal cannot show Chinese.\n"
                 "\nExit status: 0 done, 1 failed on a file (in a batch: on at least one), 2 usage.\n"
                 "See also: man velmora\n");
}

// A lone "-" (standard input or output to many tools) would be taken as a
// file of that name by the commands that do not read or write the streams.
bool NamesStandardStream(const Args& args) {
    for (const std::string& arg : args)
        if (arg == "-") return true;
    return false;
}

bool TakesStandardStreams(const Args& args) {
    if (args.empty()) return false;
    for (const char* name : {"info", "convert", "draw", "thumbnail"})
        if (args.front() == name) return true;
    return false;
}

const Command* FindCommand(const std::string& name) {
    for (const Command& c : kCommands)
        if (name == c.name) return &c;
    return nullptr;
}

int Run(Args args) {
    SharedOptions options;
    std::string error;
    if (!ExtractSharedOptions(&args, &options, &error)) return UsageError(error);
    if (NamesStandardStream(args) && !TakesStandardStreams(args))
        return UsageError("'-' is not a file here: this command reads and writes named files only (write ./- for a file named '-')");
    if (args.empty()) {
        PrintHelp(stderr);
        return kExitUsage;
    }
    const std::string& first = args.front();
    if (first == "--help" || first == "-h") {
        PrintHelp(stdout);
        return kExitOk;
    }
    if (first == "--version") {
        std::printf("velmora %s\n", VELMORA_VERSION);
        return kExitOk;
    }
    const Command* command = FindCommand(first);
    if (!command) return UsageError("unknown command '" + first + "'");
    if (!ApplySharedOptions(options, &error)) return UsageError(error);
    SetQuiet(options.quiet);
    TerminalProgressWindow progress(ShowText, !options.quiet);
    const int status = command->run(Args(args.begin() + 1, args.end()));
    FlushMessageBoxes();
    return status;
}

}  // namespace
}  // namespace velmora::cli

int main(int argc, char** argv) {
    velmora::cli::InitTerminalLocale();
    return velmora::cli::Run(velmora::cli::Args(argv + 1, argv + argc));
}
