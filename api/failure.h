// Failures of the library turned into velmora::Error: the code chosen from
// the library's text, an English sentence naming the operation and file.
#pragma once

#include <string>

#include "velmora/image.hpp"

class CFileException;

namespace velmora::api {

enum class Operation { read, save, transform, geotiff };

// The code for a library text (GBK) a failed operation left.
ErrorCode CodeForText(const char* gbk, Operation operation);

// Throws the Error for a failed operation on `path` (empty when none) whose
// library text is `gbk` (may be empty) and whose system error is `err`.
[[noreturn]] void ThrowFailure(Operation operation, const std::string& what, const std::string& path,
                               const char* gbk, int err = 0);
// Throws the Error for a file that cannot be opened to read: missing
// (file_not_found), or a folder, a FIFO or device, or out of reach (open_failed).
[[noreturn]] void ThrowOpenFailure(const std::string& path, int err);
// Throws the Error for a failed save of a `bits`-bit image in `format`:
// unsupported, naming the format, when the format cannot hold the depth.
[[noreturn]] void ThrowSaveFailure(const std::string& path, int format, int bits, const char* gbk, int err);
// The same for a file exception the library let pass.
[[noreturn]] void ThrowFileException(Operation operation, const std::string& what, const std::string& path,
                                     const CFileException& e, const char* gbk);
// An Error of the caller's making: the text empty.
[[noreturn]] void ThrowUsage(ErrorCode code, const std::string& message);

}  // namespace velmora::api
