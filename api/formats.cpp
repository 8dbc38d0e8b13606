// velmora::formats(): the format table as the C++ interface shows it.
#include <cctype>

#include "velmora/formats.h"
#include "velmora/image.hpp"

namespace velmora {

namespace {

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

std::vector<FormatInfo> formats() {
    std::vector<FormatInfo> list;
    for (int code = 0; code < FileFormatCount(); ++code) {
        const FileFormat& row = FileFormats()[code];
        FormatInfo info{row.name, {Lower(row.extension)}, {}};
        if (*row.alias) info.extensions.push_back(row.alias);
        for (int bits = 1; bits <= 32; ++bits)
            if (HoldsDepth(row.saves, bits)) info.save_depths.push_back(bits);
        list.push_back(std::move(info));
    }
    return list;
}

}  // namespace velmora
