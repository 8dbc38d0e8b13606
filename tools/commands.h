// The command-line tool's subcommands and the helpers they share.
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

// Exit codes.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;  // the operation failed
constexpr int kExitUsage = 2;    // the command line was wrong

// Each returns the process exit code. `args` holds the subcommand's own
// arguments; the shared settings options were already taken out and applied.
int RunFormats(const Args& args);
int RunConvert(const Args& args);
int RunInfo(const Args& args);
int RunDraw(const Args& args);

// Takes the terminal's character set from the environment (setlocale); call
// once before printing library texts.
void InitTerminalLocale();
// A library text (GBK) in the terminal's encoding; characters the terminal
// cannot show become '?'.
std::string GbkToLocale(const char* gbk);
// Prints "velmora: <what>: <library text>" to standard error.
void PrintFailure(const std::string& what, const char* libraryText);
// Prints "velmora: <message>" and a pointer to --help to standard error;
// returns kExitUsage.
int UsageError(const std::string& message);
// True when the arguments ask for help ("--help" or "-h" anywhere).
bool WantsHelp(const Args& args);

}  // namespace velmora::cli
