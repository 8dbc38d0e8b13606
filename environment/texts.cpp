// Compiled with -finput-charset=UTF-8 -fexec-charset=GBK: the literals below
// are stored as GBK bytes.
#include "environment/texts.h"

namespace velmora::text {

const char* const kBitmapFiles = "Bitmap图象文件";
const char* const kGifFiles = "Gif图象文件";
const char* const kJpgFiles = "Jpg图象文件";
const char* const kPcxFiles = "Pcx图象文件";
const char* const kTiffFiles = "Tiff图象文件";
const char* const kPngFiles = "Png图象文件";
const char* const kAllImageFiles = "所有图像文件";

const char* const kReadingImage = "正在读取图像文件......";
const char* const kReadingImageShort = "正在读取图像文件...";
const char* const kReadingTiff = "正在读取TIFF文件......";
const char* const kSavingImage = "正在保存图像文件...";
const char* const kSavingTiff = "正在存储到TIFF文件......";
const char* const kRotating = "正在进行旋转处理...";
const char* const kInverting = "正在进行反色处理...";
const char* const kFlippingVertical = "正在进行垂直翻转...";
const char* const kFlippingHorizontal = "正在进行水平翻转...";

const char* const kCreateBufferFailed = "申请DIB缓冲区出错";
const char* const kMapFailed = "获得DIB映射区失败";
const char* const kReadDataFailed = "读取文件数据出错";
const char* const kNoData = "数据为空";
const char* const kOpenFailed = "打开文件失败";
const char* const kNotBmp = "要打开的文件不是BMP文件";
const char* const kNotGif = "要打开的文件不是GIF文件";
const char* const kBadFileData = "文件数据有误";
const char* const kUnknownCompression = "文件压缩方式不能识别";
const char* const kUnsupportedFormat = "不支持的文件格式";
const char* const kOnly256Colour = "本系统不支持非256色位图存储";
const char* const kGifOnly256Colour = "本系统不支持非256色位图GIF存储";
const char* const kNoGrayPng = "本系统不支持灰度图Png文件读取";
const char* const kReadPaletteFailed = "读入调色板错误";
const char* const kReadImageFailed = "读入图像数据错误";
const char* const kWriteImageFailed = "写入图像数据错误";
const char* const kOpenTiffFailed = "打开tiff文件失败";
const char* const kCreateFileFailed = "创建图像文件失败";
const char* const kPaletteAllocFailed = "分配调色板空间失败";
const char* const kOutOfMemory = "内存不足!";
const char* const kNotValidPcx = "不是有效的PCX文件";
const char* const kNotImplemented = "没有实现";
const char* const kError = "错误";
const char* const kPngReadTooLarge =
    "提示: 因为Png解压系统不支持磁盘映射,您的内存可用空间为%d兆,小于实际位图大小(%d兆)，如运行本操作,系统可能会瘫痪";
const char* const kPngSaveTooLarge =
    "提示: 因为Png压缩系统不支持磁盘映射,您的位图数据太大(%d兆),内存可用空间为%d兆,如运行本操作,系统可能会瘫痪";

// TIFF codec.
const char* const kRowBufferFailed = "can not malloc rowbuf in save tiff";

const char* const kTraceVFlipAlloc = "垂直翻转分配临时内存错误";
const char* const kTraceHFlipAlloc = "水平翻转不能分配临时内存";
const char* const kTraceLockFailed = "\t不能锁定内存块";

// PCX codec.
const char* const kPcxTooLarge = "PCX文件的宽和高不能超过65535像素";

const char* const kMetadataIgnored = "图像的颜色配置文件或EXIF数据已损坏，已忽略";

const char* const kWrongData = "The Wrong Data";
const char* const kOk = "ok";

}  // namespace velmora::text

// GIF codec.
namespace velmora::text {
const char* const kGifErrorCaption = "ERROR";
}  // namespace velmora::text
