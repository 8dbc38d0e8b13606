// velmora::Image and friends: a C++17 interface to the library for hosts
// that are not MFC programs. It names nothing of the Windows types, lives in
// namespace velmora, reports progress through a std::function and failures
// as velmora::Error exceptions with English messages. The classes of
// <velmora/velmora.h> stay as they are underneath; this header does not
// include them, so it can sit beside any other header a host has.
//
// Thread use: separate Image objects may be used from separate threads at
// once; calls on one Image from several threads run one at a time. No lock
// is held while the host's code (a progress handler, a rows visit) runs:
// other threads' calls that read the image run meanwhile, calls that change
// it wait until the save or walk has ended. Settings are process-wide.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace velmora {

// What went wrong, for callers that branch on it.
enum class ErrorCode {
    file_not_found,    // the file to read does not exist
    open_failed,       // it exists but cannot be opened (access, a folder)
    unknown_format,    // no format by content or extension
    unsupported,       // a depth, compression or option the format does not take
    bad_data,          // the file's data are damaged or cut short
    out_of_memory,     // no memory or page file for the image
    write_failed,      // the output cannot be created or written
    transform_failed,  // a turn, flip, invert or thumbnail could not be done
    invalid_argument,  // a size, block or value outside what the call takes
    geotiff_failed,    // the GeoTIFF tags cannot be read or written
    empty_image,       // the call needs an image and this object holds none
};

// The English name of a code ("bad_data").
const char* to_string(ErrorCode code);

// Every failure of this interface. what() is an English sentence naming the
// operation and file; text() is the library's own failure text (UTF-8; the
// library words its texts in Chinese), empty when the failure was found
// before the library was asked; system_errno() the operating system's error
// number where one was behind the failure, else 0.
class Error : public std::runtime_error {
public:
    Error(ErrorCode code, const std::string& message, std::string text = std::string(), int systemErrno = 0);

    ErrorCode code() const noexcept { return m_code; }
    const std::string& text() const noexcept { return m_text; }
    int system_errno() const noexcept { return m_errno; }

private:
    ErrorCode m_code;
    std::string m_text;
    int m_errno;
};

enum class Turn { left, right };

namespace api {
struct ImageAccess;
}
enum class Flip { vertical, horizontal };

// Percent done, 0..100, from the thread that does the work.
using Progress = std::function<void(int percent)>;

struct OpenOptions {
    Progress progress;
    // Bring a picture stored turned or mirrored upright, as its Orientation
    // (JPEG EXIF, TIFF tag) says; the EXIF kept then says 1. False keeps
    // the pixels as stored (and the Orientation as the file had it).
    bool auto_orient = true;
};

// Options a format may take; setting one the chosen format does not have is
// an Error (unsupported). Each is used for this save only.
struct SaveOptions {
    // Format name ("bmp", "tif", "tiff", "pcx", "gif", "jpg", "jpeg", "png");
    // empty: by the path's extension.
    std::string format;
    std::optional<int> quality;              // JPEG, 1..100
    std::optional<std::string> compression;  // TIFF: "none", "deflate", "lzw", "jpeg"
    std::optional<bool> predictor;           // TIFF: the horizontal predictor with deflate and lzw (default true)
    std::optional<bool> bigtiff;             // TIFF: true always BigTIFF; false only past 4 GiB (the default)
    std::optional<int> level;                // PNG compression level, 0..9
    Progress progress;
};

// One RGB colour of a palette.
using Rgb = std::array<std::uint8_t, 3>;

// A run of rows handed out by Image::rows: picture rows top .. top + count - 1
// (0 = the top row), each `row_bytes` bytes of DIB pixels (blue first for 24
// and 32 bits, 5-5-5 for 16 bits, packed indices up to 8 bits). Valid only
// during the callback.
struct RowBlock {
    int top;
    int count;
    std::size_t row_bytes;
    std::uint8_t* first;      // picture row `top`
    std::ptrdiff_t stride;    // from one picture row to the next (negative: DIBs are stored bottom up)

    std::uint8_t* row(int k) const { return first + stride * k; }
};

class Image {
public:
    // An empty image (no pixels).
    Image();
    ~Image();
    Image(Image&&) noexcept;
    Image& operator=(Image&&) noexcept;
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    // Reads a file; the format is found from the file's first bytes (the
    // extension when they tell none).
    static Image open(const std::string& path, const OpenOptions& options = OpenOptions());
    // Reads a file's contents held in memory (the format from its first
    // bytes). They pass through a temporary file in the page-file folder,
    // removed before this returns.
    static Image open_memory(const void* data, std::size_t size, const OpenOptions& options = OpenOptions());

    // An image made from pixels in natural order, top row first, `stride`
    // bytes from one row to the next: for bit_count 1, 4 or 8 one byte per
    // pixel (the palette index; the palette given, or a grey ramp when
    // empty), for 24 RGB triples, for 32 RGBA quadruples.
    static Image from_pixels(int width, int height, int bitCount, const std::uint8_t* pixels, std::size_t stride,
                             const std::vector<Rgb>& palette = std::vector<Rgb>());
    // A black image (index 0) of 1, 4, 8, 24 or 32 bits, in a page file when
    // it does not fit the memory limit, to be filled by write_pixels.
    static Image create(int width, int height, int bitCount, const std::vector<Rgb>& palette = std::vector<Rgb>());
    // Picture rows [top, top + count) from pixels in from_pixels' form,
    // `stride` bytes from one row to the next; the rows pass through the
    // image's windows, so an image larger than memory is filled block by block.
    void write_pixels(int top, int count, const std::uint8_t* pixels, std::size_t stride);

    bool empty() const;
    int width() const;
    int height() const;
    int bit_count() const;
    // The colour table (2, 16 or 256 entries) up to 8 bits; empty above.
    std::vector<Rgb> palette() const;
    // Whether the reader found a grey picture.
    bool gray() const;
    // Whether the pixels live in a page file rather than in memory.
    bool in_page_file() const;
    // 32-bit images whose fourth bytes are not all zero.
    bool has_alpha() const;

    // Saves; the format from options.format, else the extension. A failed
    // save leaves an existing file at `path` as it was.
    void save(const std::string& path, const SaveOptions& options = SaveOptions()) const;
    // The file save() would write, as bytes; options.format is needed.
    std::vector<std::uint8_t> save_memory(const SaveOptions& options) const;

    // Whether a save to the format named (as SaveOptions::format) takes
    // this image's depth as it is; true for a name the library does not know
    // (the save then says so).
    bool fits(const std::string& format) const;
    // A copy at a depth the format holds, as `velmora convert` makes it:
    // indices widened, 16 and 32 bits to 24, anything else reduced to 256
    // colours with dithering; the colour profile and EXIF go with it.
    Image fitted_to(const std::string& format) const;

    // The colour profile (ICC) and EXIF block (TIFF-structured bytes) the
    // file read held, empty when none. Saves to JPEG, PNG and TIFF write
    // them (TIFF the profile only); set them empty to leave them out.
    std::vector<std::uint8_t> icc_profile() const;
    std::vector<std::uint8_t> exif() const;
    void set_icc_profile(const std::vector<std::uint8_t>& profile);
    void set_exif(const std::vector<std::uint8_t>& exif);
    // The Orientation (1 to 8) the file read said; 1 when none.
    int orientation() const;
    // What a successful read ignored (a damaged colour profile or EXIF
    // block), in English; empty when nothing.
    std::string warning() const;

    // A new image of the block of `width` x `height` pixels whose top left
    // corner is (x, y) (0, 0 the top left pixel); Error (invalid_argument)
    // for a block not wholly inside the image or of a size below 1.
    Image crop(int x, int y, int width, int height) const;
    // A new image of exactly width x height by the library's filtered
    // resampling (area averaging, then Lanczos-3): 24-bit, 8-bit grey when
    // this image's colour table is all grey, or 32-bit when it has alpha
    // (kept, colours weighted by it).
    Image resize(int width, int height) const;

    void rotate(Turn turn);
    void flip(Flip flip);
    void invert();
    // A 24-bit copy (8-bit grey of a grey picture, 32-bit when this image
    // has alpha) whose longest side
    // fills width x height with the picture's proportions (a box larger than
    // the picture enlarges it), filtered: area averaging, then a Lanczos-3
    // kernel. The colour profile and EXIF block go with it.
    Image thumbnail(int width, int height) const;
    // A copy of the whole image, its colour profile and EXIF block too.
    Image copy() const;
    // Lets go of the pixels (and the page file), the palette and the
    // metadata now; the image is empty after. Waits for other threads' calls
    // on the image to end, so one thread may close an image another is
    // saving. Error (invalid_argument) from inside a call on the image (its
    // progress handler or rows visit), which would pull the pixels from
    // under that call.
    void close();

    // Calls `visit` with successive blocks covering picture rows
    // [top, top + count) in order, each at most `max_rows` rows and never
    // crossing a row window of a page-file image (so memory stays bounded).
    // A false from `visit` stops the walk. `visit` may read the image (or
    // wait for another thread that does) but must not change it.
    void rows(int top, int count, const std::function<bool(const RowBlock&)>& visit,
              int maxRows = 1 << 30) const;

    // Pixels in natural form: bytes per pixel channels() (1 for up to 8 bits:
    // the index; 3 RGB for 16 and 24 bits and 32 bits without alpha; 4 RGBA
    // for 32 bits with alpha). copy_pixels writes picture rows
    // [top, top + count) to `out`, width() * channels() bytes per row; an
    // Error (invalid_argument) when they would not fit its `outBytes`.
    int channels() const;
    void copy_pixels(int top, int count, std::uint8_t* out, std::size_t outBytes) const;

    // What the image holds; opaque to hosts.
    struct Impl;

private:
    explicit Image(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
    friend class GeoTIFF;
    friend struct api::ImageAccess;
};

// A file format the library reads and writes.
struct FormatInfo {
    std::string name;                     // "TIFF"
    std::vector<std::string> extensions;  // the names open() and save() know it by: "tif", "tiff"
    std::vector<int> save_depths;         // the bit counts its save takes
};
// Every format, in the library's order (the order of `velmora formats`).
std::vector<FormatInfo> formats();

// Converting a file into another as `velmora convert` does: read, the steps
// in order, the depth brought to one the output format holds (indices
// widened, 16 and 32 bits to 24, or reduced to `colors` colours), saved.
struct ConvertOptions {
    std::string format;                  // the output's format name; empty: by its extension
    std::vector<std::string> transforms;  // in order: "left", "right", "vertical", "horizontal", "invert"
    int thumbnail = 0;                   // then a 24-bit thumbnail within N x N; 0: none
    int colors = 256;                    // 2..256
    bool dither = true;
};
// Converts `input` into `output`; an Error when a step fails. Returns what
// fitting the depth did ("24-bit image reduced to 256 colours for GIF"),
// empty when nothing was needed.
std::string convert_file(const std::string& input, const std::string& output,
                         const ConvertOptions& options = ConvertOptions());
// Where a batch into `out_dir` saves each input (its name less the
// extension, then the format's); an Error (invalid_argument) when two
// inputs would be saved as one file, (unknown_format) for a format not known.
std::vector<std::string> batch_outputs(const std::vector<std::string>& inputs, const std::string& out_dir,
                                       const std::string& format);

// Process-wide settings.
// Memory the library sizes its images and row windows by; 0: the machine's
// (or the control group's). Images that do not fit go to page files.
void set_memory_limit(std::uint64_t bytes);
std::uint64_t memory_limit();
// The folder page files go to.
void set_virtual_dir(const std::string& path);
std::string virtual_dir();

// A GeoTIFF file's georeferencing.
class GeoTIFF {
public:
    using KeyValue = std::variant<int, double, std::string>;

    // Reads the GeoTIFF tags of the file's first image directory.
    explicit GeoTIFF(const std::string& path);
    ~GeoTIFF();
    GeoTIFF(GeoTIFF&&) noexcept;
    GeoTIFF& operator=(GeoTIFF&&) noexcept;

    const std::string& path() const;
    // The library's key report (UTF-8).
    const std::string& report() const;
    // The GeoKeys the file holds, by name ("GTModelTypeGeoKey").
    std::map<std::string, KeyValue> keys() const;
    std::vector<double> tie_points() const;
    std::vector<double> pixel_scale() const;      // empty when the file has none
    std::vector<double> transformation() const;  // empty when the file has none

    // Writes `image` (this file's own image when null) as a TIFF file
    // carrying this georeferencing.
    void write(const std::string& out, const Image* image = nullptr) const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace velmora
