// The command-line tool's subcommands.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace velmora::cli {

using Args = std::vector<std::string>;

struct Command {
    const char* name;
    const char* usage;    // arguments after the name
    const char* summary;  // one line
    int (*run)(const Args& args);
};

// Each returns the process exit code. `args` holds the subcommand's own
// arguments; the shared settings options were already taken out and applied.
int RunFormats(const Args& args);
int RunConvert(const Args& args);
int RunInfo(const Args& args);
int RunDraw(const Args& args);

// A library text (GBK) in the terminal's encoding.
std::string GbkToLocale(const char* gbk);
// Prints "velmora: <what>: <library text>" to standard error.
void PrintFailure(const std::string& what, const char* libraryText);

}  // namespace velmora::cli
