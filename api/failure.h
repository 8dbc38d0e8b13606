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
// The same for a file exception the library let pass.
[[noreturn]] void ThrowFileException(Operation operation, const std::string& what, const std::string& path,
                                     const CFileException& e, const char* gbk);
// An Error of the caller's making: the text empty.
[[noreturn]] void ThrowUsage(ErrorCode code, const std::string& message);

}  // namespace velmora::api
