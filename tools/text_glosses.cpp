// The gloss table: every text the library can show, in the UTF-8 of this
// source, with its English gloss. A text with "%d" matches its formatted
// form, and the numbers go into the gloss's "%d"s in order.
// tests/tools/text_glosses_test.cpp checks that every text in the library's
// text table has a row here.
#include "tools/text_glosses.h"

#include <iconv.h>

#include <cctype>
#include <cstring>
#include <vector>

#include "velmora/encoding.h"

namespace velmora::cli {

namespace {

struct Gloss {
    const char* text;
    const char* english;
};

const Gloss kGlosses[] = {
    // File types and dialog filters.
    {"Bitmap图象文件", "bitmap image files"},
    {"Gif图象文件", "GIF image files"},
    {"Jpg图象文件", "JPEG image files"},
    {"Pcx图象文件", "PCX image files"},
    {"Tiff图象文件", "TIFF image files"},
    {"Png图象文件", "PNG image files"},
    {"所有图像文件", "all image files"},
    // Progress captions.
    {"正在读取图像文件......", "reading the image file"},
    {"正在读取图像文件...", "reading the image file"},
    {"正在读取TIFF文件......", "reading the TIFF file"},
    {"正在保存图像文件...", "saving the image file"},
    {"正在存储到TIFF文件......", "saving to the TIFF file"},
    {"正在进行旋转处理...", "rotating"},
    {"正在进行反色处理...", "inverting the colours"},
    {"正在进行垂直翻转...", "flipping vertically"},
    {"正在进行水平翻转...", "flipping horizontally"},
    // Failures.
    {"申请DIB缓冲区出错", "cannot allocate the image's memory"},
    {"获得DIB映射区失败", "cannot map the image's page file"},
    {"读取文件数据出错", "error reading the file's data"},
    {"数据为空", "the data are empty"},
    {"打开文件失败", "cannot open the file"},
    {"图像的颜色配置文件或EXIF数据已损坏，已忽略", "the colour profile or EXIF data are damaged and were ignored"},
    {"要打开的文件不是BMP文件", "the file is not a BMP file"},
    {"要打开的文件不是GIF文件", "the file is not a GIF file"},
    {"文件数据有误", "the file's data are wrong"},
    {"文件压缩方式不能识别", "unknown compression in the file"},
    {"不支持的文件格式", "file format not supported"},
    {"本系统不支持非256色位图存储", "only 256-colour images can be saved so"},
    {"本系统不支持非256色位图GIF存储", "only 256-colour images can be saved as GIF"},
    {"本系统不支持灰度图Png文件读取", "grayscale PNG files cannot be read"},
    {"读入调色板错误", "error reading the colour table"},
    {"读入图像数据错误", "error reading the image data"},
    {"写入图像数据错误", "error writing the image data"},
    {"打开tiff文件失败", "cannot open the TIFF file"},
    {"创建图像文件失败", "cannot create the image file"},
    {"分配调色板空间失败", "cannot allocate the colour table"},
    {"内存不足!", "out of memory"},
    {"不是有效的PCX文件", "not a valid PCX file"},
    {"没有实现", "not implemented"},
    {"错误", "error"},
    {"提示: 因为Png解压系统不支持磁盘映射,您的内存可用空间为%d兆,小于实际位图大小(%d兆)，如运行本操作,系统可能会瘫痪",
     "note: PNG decoding cannot use a page file; the %d MB of free memory are less than the image's %d MB, "
     "and going on may bring the system down"},
    {"提示: 因为Png压缩系统不支持磁盘映射,您的位图数据太大(%d兆),内存可用空间为%d兆,如运行本操作,系统可能会瘫痪",
     "note: PNG encoding cannot use a page file; the image's %d MB are too much for the %d MB of free memory, "
     "and going on may bring the system down"},
    // PCX.
    {"PCX文件的宽和高不能超过65535像素", "a PCX file can be at most 65535 pixels wide and high"},
    // Debug traces.
    {"垂直翻转分配临时内存错误", "vertical flip: cannot allocate temporary memory"},
    {"水平翻转不能分配临时内存", "horizontal flip: cannot allocate temporary memory"},
    {"不能锁定内存块", "cannot lock the memory block"},
};

std::string Trimmed(const std::string& text) {
    size_t first = 0, last = text.size();
    while (first < last && std::isspace(static_cast<unsigned char>(text[first]))) ++first;
    while (last > first && std::isspace(static_cast<unsigned char>(text[last - 1]))) --last;
    return text.substr(first, last - first);
}

// Matches `text` against `pattern`, where "%d" stands for a whole number;
// the numbers matched are appended to `numbers`.
bool Matches(const char* pattern, const std::string& text, std::vector<std::string>* numbers) {
    size_t at = 0;
    for (const char* p = pattern; *p; ++p) {
        if (p[0] == '%' && p[1] == 'd') {
            if (text.compare(at, 2, "%d") == 0) {  // the template itself
                numbers->push_back("%d");
                at += 2;
                ++p;
                continue;
            }
            size_t start = at;
            if (at < text.size() && text[at] == '-') ++at;
            while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) ++at;
            if (at == start || (at == start + 1 && text[start] == '-')) return false;
            numbers->push_back(text.substr(start, at - start));
            ++p;
            continue;
        }
        if (at >= text.size() || text[at] != *p) return false;
        ++at;
    }
    return at == text.size();
}

// `english` with its "%d"s replaced by `numbers`, in order.
std::string FillNumbers(const char* english, const std::vector<std::string>& numbers) {
    std::string out;
    size_t next = 0;
    for (const char* p = english; *p; ++p) {
        if (p[0] == '%' && p[1] == 'd' && next < numbers.size()) {
            out += numbers[next++];
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

bool IsAscii(const char* text) {
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p)
        if (*p >= 0x80) return false;
    return true;
}

bool KnownCharset(const char* charset) {
    iconv_t cd = iconv_open(charset ? charset : "", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    iconv_close(cd);
    return true;
}

size_t CountQuestionMarks(const std::string& text) {
    size_t n = 0;
    for (char c : text) n += c == '?';
    return n;
}

}  // namespace

std::string GlossOf(const std::string& utf8) {
    const std::string text = Trimmed(utf8);
    for (const Gloss& gloss : kGlosses) {
        std::vector<std::string> numbers;
        if (Matches(gloss.text, text, &numbers)) return FillNumbers(gloss.english, numbers);
    }
    return std::string();
}

std::string ShowLibraryText(const char* gbk, const char* charset) {
    if (!gbk) return std::string();
    const std::string gloss = IsAscii(gbk) ? std::string() : GlossOf(GbkToUtf8(gbk));
    const std::string shown = ConvertGbk(gbk, charset);
    if (gloss.empty()) return shown;
    // The conversion puts '?' for what the character set lacks.
    const bool readable = KnownCharset(charset) && CountQuestionMarks(shown) == CountQuestionMarks(gbk);
    return readable ? shown + " (" + gloss + ")" : gloss;
}

const char* const* GlossedTexts(size_t* count) {
    static std::vector<const char*> texts = [] {
        std::vector<const char*> all;
        for (const Gloss& gloss : kGlosses) all.push_back(gloss.text);
        return all;
    }();
    *count = texts.size();
    return texts.data();
}

}  // namespace velmora::cli
