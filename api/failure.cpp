// velmora::Error and the mapping from the library's failure texts to codes.
#include "api/failure.h"

#include <cerrno>
#include <cstring>

#include "environment/texts.h"
#include "velmora/formats.h"
#include "velmora/cfile.h"
#include "velmora/encoding.h"

namespace velmora {

namespace {

struct CodeName {
    ErrorCode code;
    const char* name;
    const char* english;
};

const CodeName kCodes[] = {
    {ErrorCode::file_not_found, "file_not_found", "the file does not exist"},
    {ErrorCode::open_failed, "open_failed", "the file cannot be opened"},
    {ErrorCode::unknown_format, "unknown_format", "not a format the library knows"},
    {ErrorCode::unsupported, "unsupported", "the format cannot hold this image or option"},
    {ErrorCode::bad_data, "bad_data", "the file's data are damaged or cut short"},
    {ErrorCode::out_of_memory, "out_of_memory", "no memory or page file for the image"},
    {ErrorCode::write_failed, "write_failed", "the file cannot be created or written"},
    {ErrorCode::transform_failed, "transform_failed", "no room for the transformed image"},
    {ErrorCode::invalid_argument, "invalid_argument", "invalid argument"},
    {ErrorCode::geotiff_failed, "geotiff_failed", "the GeoTIFF tags cannot be read or written"},
    {ErrorCode::empty_image, "empty_image", "the image holds no pixels"},
};

const CodeName& Describe(ErrorCode code) {
    for (const CodeName& entry : kCodes)
        if (entry.code == code) return entry;
    return kCodes[0];
}

bool Same(const char* a, const char* b) { return a && b && std::strcmp(a, b) == 0; }

template <size_t N>
bool AnyOf(const char* gbk, const char* const (&texts)[N]) {
    for (const char* t : texts)
        if (Same(gbk, t)) return true;
    return false;
}

}  // namespace

const char* to_string(ErrorCode code) { return Describe(code).name; }

Error::Error(ErrorCode code, const std::string& message, std::string text, int systemErrno)
    : std::runtime_error(message), m_code(code), m_text(std::move(text)), m_errno(systemErrno) {}

namespace api {

ErrorCode CodeForText(const char* gbk, Operation operation) {
    const char* const memory[] = {text::kCreateBufferFailed, text::kMapFailed, text::kOutOfMemory,
                                  text::kPaletteAllocFailed, text::kRowBufferFailed};
    const char* const unsupported[] = {text::kUnsupportedFormat, text::kOnly256Colour, text::kGifOnly256Colour,
                                       text::kNoGrayPng, text::kUnknownCompression, text::kNotImplemented};
    const char* const opening[] = {text::kOpenFailed, text::kOpenTiffFailed};
    const char* const writing[] = {text::kCreateFileFailed, text::kWriteImageFailed};
    if (operation == Operation::geotiff) return ErrorCode::geotiff_failed;
    if (AnyOf(gbk, memory)) return ErrorCode::out_of_memory;
    if (AnyOf(gbk, unsupported)) return ErrorCode::unsupported;
    if (operation == Operation::transform) return ErrorCode::transform_failed;
    if (operation == Operation::save) return ErrorCode::write_failed;
    if (AnyOf(gbk, opening)) return ErrorCode::open_failed;
    if (AnyOf(gbk, writing)) return ErrorCode::write_failed;
    return ErrorCode::bad_data;
}

void ThrowFailure(Operation operation, const std::string& what, const std::string& path, const char* gbk,
                  int err) {
    ErrorCode code = CodeForText(gbk, operation);
    if (err == ENOENT && operation == Operation::read) code = ErrorCode::file_not_found;
    std::string message = what + (path.empty() ? std::string() : " '" + path + "'") + ": " + Describe(code).english;
    if (err) message += std::string(" (") + std::strerror(err) + ")";
    throw Error(code, message, gbk && *gbk ? GbkToUtf8(gbk) : std::string(), err);
}

void ThrowOpenFailure(const std::string& path, int err) {
    const ErrorCode code = err == ENOENT ? ErrorCode::file_not_found : ErrorCode::open_failed;
    // EINVAL is what opening says of a FIFO, device or socket.
    const std::string why = err == EINVAL ? "not a regular file" : std::strerror(err);
    throw Error(code, "cannot read '" + path + "': " + Describe(code).english + " (" + why + ")", std::string(), err);
}

// A failed save of an image its format cannot hold says so, naming the
// format (the codecs refuse such a depth before touching the file, most
// without a text of their own).
void ThrowSaveFailure(const std::string& path, int format, int bits, const char* gbk, int err) {
    const FileFormat* row = FileFormatOf(format);
    if (!row || HoldsDepth(row->saves, bits)) ThrowFailure(Operation::save, "cannot save", path, gbk, err);
    throw Error(ErrorCode::unsupported,
                "cannot save '" + path + "': " + row->name + " cannot hold a " + std::to_string(bits) + "-bit image",
                gbk && *gbk ? GbkToUtf8(gbk) : std::string(), err);
}

void ThrowFileException(Operation operation, const std::string& what, const std::string& path,
                        const CFileException& e, const char* gbk) {
    const int err = static_cast<int>(e.m_lOsError);
    ErrorCode code = operation == Operation::read ? ErrorCode::bad_data : ErrorCode::write_failed;
    if (e.m_cause == CFileException::fileNotFound || err == ENOENT) code = ErrorCode::file_not_found;
    else if (e.m_cause == CFileException::diskFull) code = ErrorCode::write_failed;
    std::string message = what + " '" + path + "': " + Describe(code).english;
    if (err) message += std::string(" (") + std::strerror(err) + ")";
    const std::string text = gbk && *gbk ? GbkToUtf8(gbk) : GbkToUtf8(e.what());
    throw Error(code, message, text, err);
}

void ThrowUsage(ErrorCode code, const std::string& message) { throw Error(code, message); }

}  // namespace api
}  // namespace velmora
