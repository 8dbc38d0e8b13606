// Knowing an image file by its content. The library chooses a format by the
// last three letters of a path's extension; files named otherwise (".tiff",
// ".jpeg", ".jpe", no extension at all) are read by the format their first
// bytes name, and ".tiff"/".jpeg" output names are saved as TIFF and JPEG.
// The library's own rule is left as it is: the tool passes the format.
#pragma once

#include <string>

namespace velmora::cli {

// The format code to read `path` with: -1 (the library's choice by
// extension) when the library's table knows its extension, else the code
// its signature names, else -1 (the library then refuses the name).
int InputFormat(const std::string& path);

// The format code to save `path` with when the request names `format`
// (-1: none): `format` when named, the code of a ".tiff" or ".jpeg" name
// in any case, else -1 (the library's choice by extension).
int SaveFormatFor(const std::string& path, int format);

// The format code a file's first bytes name (BMP, TIFF, PCX, GIF, JPEG,
// PNG); -1 when they name none or the file cannot be read.
int SniffFormat(const std::string& path);

}  // namespace velmora::cli
