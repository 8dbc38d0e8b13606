// Every user-visible text of the library, as GBK bytes (texts.cpp is
// compiled with the GBK execution character set).
#pragma once

namespace velmora::text {

// File-type table and dialog filters.
extern const char* const kBitmapFiles;      // Bitmap图象文件
extern const char* const kGifFiles;         // Gif图象文件
extern const char* const kJpgFiles;         // Jpg图象文件
extern const char* const kPcxFiles;         // Pcx图象文件
extern const char* const kTiffFiles;        // Tiff图象文件
extern const char* const kPngFiles;         // Png图象文件
extern const char* const kAllImageFiles;    // 所有图像文件

// Progress captions.
extern const char* const kReadingImage;       // 正在读取图像文件......
extern const char* const kReadingImageShort;  // 正在读取图像文件...
extern const char* const kReadingTiff;        // 正在读取TIFF文件......
extern const char* const kSavingImage;        // 正在保存图像文件...
extern const char* const kSavingTiff;         // 正在存储到TIFF文件......
extern const char* const kRotating;           // 正在进行旋转处理...
extern const char* const kInverting;          // 正在进行反色处理...
extern const char* const kFlippingVertical;   // 正在进行垂直翻转...
extern const char* const kFlippingHorizontal; // 正在进行水平翻转...

// Failure texts.
extern const char* const kCreateBufferFailed;  // 申请DIB缓冲区出错
extern const char* const kMapFailed;           // 获得DIB映射区失败
extern const char* const kReadDataFailed;      // 读取文件数据出错
extern const char* const kNoData;              // 数据为空
extern const char* const kOpenFailed;          // 打开文件失败
extern const char* const kNotBmp;              // 要打开的文件不是BMP文件
extern const char* const kNotGif;              // 要打开的文件不是GIF文件
extern const char* const kBadFileData;         // 文件数据有误
extern const char* const kUnknownCompression;  // 文件压缩方式不能识别
extern const char* const kUnsupportedFormat;   // 不支持的文件格式
extern const char* const kOnly256Colour;       // 本系统不支持非256色位图存储
extern const char* const kGifOnly256Colour;    // 本系统不支持非256色位图GIF存储
extern const char* const kNoGrayPng;           // 本系统不支持灰度图Png文件读取
extern const char* const kReadPaletteFailed;   // 读入调色板错误
extern const char* const kReadImageFailed;     // 读入图像数据错误
extern const char* const kWriteImageFailed;    // 写入图像数据错误
extern const char* const kOpenTiffFailed;      // 打开tiff文件失败
extern const char* const kCreateFileFailed;    // 创建图像文件失败
extern const char* const kPaletteAllocFailed;  // 分配调色板空间失败
extern const char* const kOutOfMemory;         // 内存不足!
extern const char* const kNotValidPcx;         // 不是有效的PCX文件
extern const char* const kNotImplemented;      // 没有实现
extern const char* const kError;               // 错误
extern const char* const kPngReadTooLarge;     // 提示: 因为Png解压系统不支持磁盘映射,... (printf: %d %d)
extern const char* const kPngSaveTooLarge;     // 提示: 因为Png压缩系统不支持磁盘映射,... (printf: %d %d)

// TIFF codec.
extern const char* const kRowBufferFailed;  // can not malloc rowbuf in save tiff

// Debug traces only; never shown, recorded or logged.
extern const char* const kTraceVFlipAlloc;     // 垂直翻转分配临时内存错误
extern const char* const kTraceHFlipAlloc;     // 水平翻转不能分配临时内存
extern const char* const kTraceLockFailed;     // \t不能锁定内存块

// PCX codec.
extern const char* const kPcxTooLarge;  // PCX文件的宽和高不能超过65535像素

// A colour profile or EXIF block a reader dropped (the image is kept).
extern const char* const kMetadataIgnored;  // 图像的颜色配置文件或EXIF数据已损坏，已忽略

// ASCII texts shown by the BMP reader.
extern const char* const kWrongData;  // The Wrong Data
extern const char* const kOk;         // ok

}  // namespace velmora::text

// GIF codec.
namespace velmora::text {
extern const char* const kGifErrorCaption;  // ERROR (caption of the GIF encoder's message box)
}  // namespace velmora::text
