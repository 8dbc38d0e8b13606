#include "codecs/jpeg/jpeg_codec.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "codecs/jpeg/jpeg_metadata.h"
#include "codecs/jpeg/jpeg_trap.h"
#include "environment/texts.h"
#include "frame/codec_frame.h"
#include "frame/row_loop.h"
#include "platform/dib_geometry.h"
#include "platform/open_file.h"
#include "velmora/environment.h"
#include "velmora/system.h"
#include "velmora/thumbnail.h"

namespace velmora::jpeg {

namespace {

// What a read keeps across its trapped steps: plain data only, so a longjmp
// skips no destructor. Zeroed, the object may be destroyed even when it was
// never created.
struct Decoder {
    ErrorTrap trap;
    jpeg_decompress_struct info;
    bool multipleScans;  // progressive or several sequential scans
};

// Huffman coding spends at least one bit on every 8 x 8 block of the most
// finely sampled component, so a genuine file holds at most 512 pixels per
// byte. Arithmetic coding has no such floor; 64 times that is allowed, which
// only pictures of nearly one colour exceed.
constexpr uint64_t kHuffmanPixelsPerByte = 512;
constexpr uint64_t kArithmeticPixelsPerByte = 64 * kHuffmanPixelsPerByte;

uint64_t FileBytes(FILE* stream) {
    struct stat st;
    return fstat(fileno(stream), &st) == 0 && st.st_size > 0 ? static_cast<uint64_t>(st.st_size) : 0;
}

// The picture the header claims fits the file, and its bytes can be counted.
bool PlausibleSize(const jpeg_decompress_struct& info, int bitCount, uint64_t fileBytes) {
    uint64_t pixels = 0, limit = 0;
    uint64_t perByte = info.arith_code ? kArithmeticPixelsPerByte : kHuffmanPixelsPerByte;
    return CheckedProduct(info.image_width, info.image_height, &pixels) && CheckedProduct(fileBytes, perByte, &limit) &&
           pixels <= limit && ImageBytes(RowStride(info.image_width, bitCount), info.image_height) != 0;
}

// One component reads as 8-bit grey, three as 24-bit colour, four (CMYK,
// or YCCK, which the library turns into CMYK) as 24-bit colour; two (which
// no DIB layout fits) and five or more are refused with 0.
int BitCountFor(const jpeg_decompress_struct& info) {
    if (info.num_components == 1) return 8;
    if (info.num_components == 3 || info.num_components == 4) return 24;
    return 0;
}

bool IsCmyk(const jpeg_decompress_struct& info) { return info.num_components == 4; }

// Four-component files hold Adobe's inverted CMYK (what Photoshop writes and
// every reader assumes): each colour is its inverted ink times the inverted
// black, as libjpeg-turbo's own djpeg converts them.
void CmykToBgr(const BYTE* cmyk, JDIMENSION width, BYTE* bgr) {
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        const double k = cmyk[3];
        bgr[0] = static_cast<BYTE>(cmyk[2] * k / 255.0 + 0.5);
        bgr[1] = static_cast<BYTE>(cmyk[1] * k / 255.0 + 0.5);
        bgr[2] = static_cast<BYTE>(cmyk[0] * k / 255.0 + 0.5);
    }
}


// Progressive and other multi-scan files make the library hold the whole
// image's coefficients, and it has no backing store: beyond the available
// memory it then fails cleanly instead of exhausting the machine.
long MemoryForTheLibrary() {
    MEMORYSTATUS status{};
    GlobalMemoryStatus(&status);
    return static_cast<long>(std::min<uint64_t>(status.dwAvailPhys, LONG_MAX));
}

Failure ReadHeader(Decoder& d, FILE* stream) {
    d.info.err = ArmTrap(&d.trap, text::kReadImageFailed);
    const long memory = MemoryForTheLibrary();
    return Trapped(d.trap, [&] {
        jpeg_create_decompress(&d.info);
        d.info.mem->max_memory_to_use = memory;
        jpeg_stdio_src(&d.info, stream);
        KeepMetadataMarkers(&d.info);
        jpeg_read_header(&d.info, TRUE);
        d.trap.inScans = true;
    });
}

// For a read that a thumbnail follows: the largest of 1/8, 1/4 and 1/2 that
// leaves the picture at least twice the thumbnail's size each way, so the
// filtered reduction after it still averages several samples into each
// output pixel; 1 (full size) otherwise.
unsigned ScaleDenominator(const CDIBFile& codec, const jpeg_decompress_struct& info) {
    if (codec.m_nFitWidth < 1 || codec.m_nFitHeight < 1) return 1;
    // A picture stored a quarter turn off fits the box turned likewise.
    const bool turned = codec.m_nOrientation >= 5 && codec.m_nOrientation <= 8;
    const int boxWidth = turned ? codec.m_nFitHeight : codec.m_nFitWidth;
    const int boxHeight = turned ? codec.m_nFitWidth : codec.m_nFitHeight;
    int width = 0, height = 0;
    FitThumbnailSize(static_cast<int>(info.image_width), static_cast<int>(info.image_height), boxWidth, boxHeight,
                     &width, &height);
    for (unsigned denom = 8; denom > 1; denom /= 2)
        if (info.image_width / denom >= 2u * width && info.image_height / denom >= 2u * height) return denom;
    return 1;
}

// libjpeg's reduced-scale decode (its inverse DCT at a smaller size), which
// sets output_width and output_height; a full-size read is left untouched.
Failure ChooseScale(Decoder& d, unsigned denom) {
    if (denom == 1) return nullptr;
    return Trapped(d.trap, [&] {
        d.info.scale_num = 1;
        d.info.scale_denom = denom;
        jpeg_calc_output_dimensions(&d.info);
    });
}

// Colour scanlines come out three bytes a pixel in blue, green, red order:
// the DIB's own layout, so rows decode straight into the image.
Failure StartDecompress(Decoder& d) {
    return Trapped(d.trap, [&] {
        d.info.dct_method = JDCT_FLOAT;
        if (d.info.num_components == 3) d.info.out_color_space = JCS_EXT_BGR;
        if (IsCmyk(d.info)) d.info.out_color_space = JCS_CMYK;
        jpeg_start_decompress(&d.info);
        d.multipleScans = jpeg_has_multiple_scans(&d.info);
    });
}

Failure ReadScanlines(Decoder& d, JSAMPARRAY rows, JDIMENSION count) {
    return TrappedScanlines(d.trap, rows, count,
                            [&](JSAMPARRAY at, JDIMENSION n) { return jpeg_read_scanlines(&d.info, at, n); });
}

Failure FinishDecompress(Decoder& d) {
    return Trapped(d.trap, [&] { jpeg_finish_decompress(&d.info); });
}

// Entry i of a grey image's table is (i, i, i).
void StoreGreyTable(CNewDIBObject& dib) {
    RGBQUAD* table = ColorTableOf(dib.GetBitmapInfo());
    for (int i = 0; i < 256; ++i) table[i] = RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i), 0};
}

// Picture rows in file order, each piece of rows in one library call. The
// library fills the pixels (CMYK ones into a small buffer of its own,
// converted after); the padding at the end of each row is cleared, so that
// saved files do not depend on what the storage held before.
Failure DecodeRows(CDIBFile& codec, Decoder& d) {
    CNewDIBObject& dib = *TargetImage(codec);
    const size_t pixelBytes = PixelBytes(dib.GetWidth(), dib.GetBitCount());
    const size_t padding = dib.GetBytesPerLine() - pixelBytes;
    // The format's steps: once a multiple of height / 10 + 1 rows is read,
    // whatever the row windows.
    RowMarkProgress progress(CodecProgress(codec), dib.GetHeight(), 10, RowMarkProgress::kRowsDone,
                             RowMarkProgress::Percent);
    RowLoop loop(&dib, RowOrder::TopDown, &progress);
    const size_t step = static_cast<size_t>(progress.Step());
    std::vector<JSAMPROW> rows(step);
    const bool cmyk = IsCmyk(d.info);
    const size_t cmykBytes = 4 * static_cast<size_t>(d.info.output_width);
    const int chunk = cmyk ? BufferRows(cmykBytes, static_cast<int>(step)) : static_cast<int>(step);
    std::vector<BYTE> cmykRows(cmyk ? static_cast<size_t>(chunk) * cmykBytes : 0);
    return loop.Run([&](const RowPiece& piece) -> Failure {
        for (int k = 0; padding && k < piece.count; ++k) std::memset(piece.Row(k) + pixelBytes, 0, padding);
        return ForEachRun(piece.count, chunk, [&](int first, int count) -> Failure {
            for (int k = 0; k < count; ++k)
                rows[static_cast<size_t>(k)] = cmyk ? cmykRows.data() + static_cast<size_t>(k) * cmykBytes : piece.Row(first + k);
            if (Failure failure = ReadScanlines(d, rows.data(), static_cast<JDIMENSION>(count))) return failure;
            for (int k = 0; cmyk && k < count; ++k)
                CmykToBgr(rows[static_cast<size_t>(k)], d.info.output_width, piece.Row(first + k));
            return nullptr;
        });
    });
}

// A refusal before the image is created: the document keeps its image.
// Whether the library filled in pixels the file lacks. A file of several
// scans is read whole before any row comes out, so one that ends early has
// lost scans even where no entropy segment was cut.
bool InventedPixels(Decoder& d) {
    return d.trap.dataLacking || (d.trap.endedEarly && d.multipleScans);
}

int Refuse(CDIBFile& codec, Failure failure) { return FailSave(codec, failure); }

// The decompressor holds the file's header.
int DecodeImage(CDIBFile& codec, Decoder& d, FILE* stream) {
    const int bitCount = BitCountFor(d.info);
    if (bitCount == 0) return Refuse(codec, kSilentFailure);
    if (!PlausibleSize(d.info, bitCount, FileBytes(stream))) return Refuse(codec, text::kReadImageFailed);
    if (Failure failure = CheckImageSize(d.info.image_width, d.info.image_height, bitCount))
        return Refuse(codec, failure);
    const unsigned denom = ScaleDenominator(codec, d.info);
    if (Failure failure = ChooseScale(d, denom)) return Refuse(codec, failure);
    CNewDIBObject& dib = *TargetImage(codec);
    const JDIMENSION outWidth = denom == 1 ? d.info.image_width : d.info.output_width;
    const int width = static_cast<int>(outWidth);
    const int height = static_cast<int>(denom == 1 ? d.info.image_height : d.info.output_height);
    if (!dib.CreateDIB(width, height, bitCount) || !dib.Ready()) return FailRead(codec, text::kCreateBufferFailed);
    if (Failure failure = StartDecompress(d)) return FailRead(codec, failure);
    const int components = IsCmyk(d.info) ? 4 : bitCount / 8;
    if (d.info.output_components != components || d.info.output_width != outWidth)
        return FailRead(codec, text::kReadImageFailed);
    if (d.info.jpeg_color_space == JCS_GRAYSCALE) StoreGreyTable(dib);
    if (Failure failure = DecodeRows(codec, d)) return FailRead(codec, failure);
    if (Failure failure = FinishDecompress(d)) return FailRead(codec, failure);
    // Made-up rows are no picture of the file, unless the host asks for them.
    if (InventedPixels(d) && !GetLoadTruncatedImages()) return FailRead(codec, text::kReadDataFailed);
    CodecProgress(codec).End();
    return 1;
}

}  // namespace

int Read(CDIBFile& codec, const char* path) {
    if (!TargetImage(codec)) return RecordFailure(codec, text::kNoData);
    // fopen would wait for ever on a FIFO: this open never waits and takes
    // regular files only.
    FILE* stream = path ? OpenStreamForReading(path) : nullptr;
    if (!stream) return RecordFailure(codec, text::kOpenFailed);
    const std::unique_ptr<char[]> buffer = GiveStreamBuffer(stream);
    CodecProgress(codec).Begin(text::kReadingImageShort);
    Decoder d{};
    int ok = 0;
    if (Failure failure = ReadHeader(d, stream)) {
        Refuse(codec, failure);
    } else {
        TakeMetadata(codec, &d.info);
        ok = DecodeImage(codec, d, stream);
    }
    jpeg_destroy_decompress(&d.info);
    std::fclose(stream);
    return ok;
}

}  // namespace velmora::jpeg

int CDIBFile::ReadJPGFile(const char* path) { return velmora::jpeg::Read(*this, path); }

int CDIBFile::SaveJPGFile(const char* path) { return velmora::jpeg::Save(*this, path); }
