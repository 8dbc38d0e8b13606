// The command-line tool's subcommands and the helpers they share.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "velmora/cfile.h"

namespace velmora::cli {

using Args = std::vector<std::string>;

struct Command {
    const char* name;
    const char* usage;    // arguments after the name
    const char* summary;  // one line
    int (*run)(const Args& args);
};

// Exit codes (documented in --help and the manual page).
constexpr int kExitOk = 0;       // done
constexpr int kExitFailure = 1;  // failed on a file (in a batch: on at least one)
constexpr int kExitUsage = 2;    // the command line was wrong; nothing was done

// Each returns the process exit code. `args` holds the subcommand's own
// arguments; the shared settings options were already taken out and applied.
int RunFormats(const Args& args);
int RunConvert(const Args& args);
int RunInfo(const Args& args);
int RunDraw(const Args& args);
int RunGeoTiff(const Args& args);

// How a GeoTIFF file names its coordinate system ("projected, EPSG:32633
// (WGS 84 / UTM zone 33N)"); empty when it holds no GeoTIFF tags.
std::string CoordinateSystemOf(const std::string& path);
int RunContactSheet(const Args& args);
int RunThumbnail(const Args& args);
int RunCog(const Args& args);
int RunTiles(const Args& args);
int RunView(const Args& args);

// Takes the terminal's character set from the environment (setlocale) and
// shows the library's message boxes as messages on standard error; call once
// before printing library texts.
void InitTerminalLocale();
// --quiet: no progress bars and no reports of success.
void SetQuiet(bool quiet);
bool IsQuiet();
// A library text (GBK) in the terminal's encoding; characters the terminal
// cannot show become '?'. For texts shown raw (dialog filters).
std::string GbkToLocale(const char* gbk);
// A library text as a person reads it: in the terminal's encoding with its
// English gloss beside it, or the gloss alone where the terminal cannot show
// Chinese.
std::string ShowText(const char* gbk);
// True when the terminal's character set has Chinese characters.
bool TerminalShowsChinese();
// Prints "velmora: <what>: <library text shown> (<system reason>)" to
// standard error (without the parts that are empty).
void PrintFailure(const std::string& what, const char* libraryText);
// A failure's library text as shown, with the system's reason behind it
// when there is one; a message box that said the same text is not printed
// again. Other pending message boxes are printed first.
std::string FailureText(const char* libraryText);
// Prints the message boxes not yet printed (the tool does so before it ends).
void FlushMessageBoxes();
// Prints "velmora: <message>" and a pointer to --help to standard error;
// returns kExitUsage.
int UsageError(const std::string& message);
// `text` as a JSON string, quotes included. Bytes from 0x80 up pass as they
// are (file names are the system's bytes).
std::string JsonString(const std::string& text);
// True when the arguments ask for help ("--help" or "-h" anywhere).
bool WantsHelp(const Args& args);
// Reports a file exception the library let through; returns kExitFailure.
int ReportFileException(const CFileException& e);

// The shape every subcommand with a request shares: --help prints its usage,
// arguments that do not parse are a usage error, and a file exception from
// the library is reported as a failure.
template <class Request>
int RunRequest(const Args& args, const char* usage, bool (*parse)(const Args&, Request*, std::string*),
               int (*run)(const Request&)) {
    if (WantsHelp(args)) {
        std::printf("%s", usage);
        return kExitOk;
    }
    Request request;
    std::string error;
    if (!parse(args, &request, &error)) return UsageError(error);
    try {
        return run(request);
    } catch (const CFileException& e) {
        return ReportFileException(e);
    }
}

}  // namespace velmora::cli
