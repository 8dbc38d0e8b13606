// "-" as a file name: standard input read into a temporary file whose
// extension the content names, and standard output written from a
// temporary file saved in the format asked for. The temporaries go when the
// tool ends.
#pragma once

#include <string>

namespace velmora::cli {

// True for "-".
inline bool IsStandardStream(const std::string& name) { return name == "-"; }

// For an input named "-": copies standard input to a temporary file (read
// by its content, InputFormat) and sets *path to it. Other names are left as
// they are. False, with `error` set, when standard input
// is empty or not an image the library reads.
bool ResolveInput(std::string* path, std::string* error);

// For an output named "-": *path becomes a temporary file with the
// extension of `format` (a format code; -1 is refused, as standard output has
// no extension to go by). False, with `error` set, then.
bool ResolveOutput(std::string* path, int format, std::string* error);

// After a save: when `path` is a temporary made for standard output, copies
// it there. False when the copy fails.
bool FinishOutput(const std::string& path);

}  // namespace velmora::cli
