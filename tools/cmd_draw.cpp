// velmora draw: render an image (or a rectangle of it) onto a memory device
// context of a given size and save the surface.
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/commands.h"
#include "tools/file_kind.h"
#include "tools/std_streams.h"
#include "velmora/cfile.h"
#include "velmora/devicecontext.h"
#include "velmora/newdib.h"

namespace velmora::cli {

namespace {

struct DrawRequest {
    std::string input;
    std::string output;
    int width = 0, height = 0;  // 0: the image's size
    bool hasSource = false;
    RECT source{0, 0, 0, 0};
    std::vector<COLORREF> transparent;
    bool hasShowColor = false;
    COLORREF showColor = 0;
};

const char kUsage[] =
    "usage: velmora draw IN OUT [--size WxH] [--source X,Y,W,H] [--transparent RRGGBB ...]\n"
    "                    [--show-color RRGGBB]\n"
    "Draws IN (or the rectangle X,Y,W,H of it, Y counted from the top) stretched onto a white surface\n"
    "of WxH pixels (the image's size by default) and saves the surface as OUT, in the format its\n"
    "extension names. With --transparent, a palette image is drawn as a mask: pixels of the listed\n"
    "colours let the surface show through, the others take the show colour (black unless\n"
    "--show-color names one).\n";

// Whole decimal numbers only, within 1 .. kMaxSurfaceSide for sizes.
bool ParseInt(const std::string& text, long low, long high, int* out) {
    if (text.empty() || text.size() > 11) return false;
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || v < low || v > high) return false;
    *out = static_cast<int>(v);
    return true;
}

// Splits "a<sep>b<sep>..." into exactly `count` parts.
bool Split(const std::string& text, char sep, size_t count, std::vector<std::string>* parts) {
    parts->clear();
    size_t start = 0;
    for (;;) {
        size_t at = text.find(sep, start);
        parts->push_back(text.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos) break;
        start = at + 1;
    }
    return parts->size() == count;
}

bool ParseSize(const std::string& text, int* width, int* height) {
    std::vector<std::string> p;
    return Split(text, 'x', 2, &p) && ParseInt(p[0], 1, kMaxSurfaceSide, width) &&
           ParseInt(p[1], 1, kMaxSurfaceSide, height);
}

bool ParseRect(const std::string& text, RECT* rect) {
    std::vector<std::string> p;
    int x, y, w, h;
    if (!Split(text, ',', 4, &p) || !ParseInt(p[0], 0, 0x7FFFFFFF, &x) || !ParseInt(p[1], 0, 0x7FFFFFFF, &y) ||
        !ParseInt(p[2], 1, 0x7FFFFFFF, &w) || !ParseInt(p[3], 1, 0x7FFFFFFF, &h))
        return false;
    if (static_cast<long long>(x) + w > 0x7FFFFFFF || static_cast<long long>(y) + h > 0x7FFFFFFF) return false;
    *rect = RECT{x, y, x + w, y + h};
    return true;
}

// "RRGGBB" (an optional leading '#') as a colour in host order.
bool ParseColor(const std::string& text, COLORREF* color) {
    const std::string hex = !text.empty() && text[0] == '#' ? text.substr(1) : text;
    if (hex.size() != 6 || hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) return false;
    const unsigned long v = std::strtoul(hex.c_str(), nullptr, 16);
    *color = RGB(static_cast<BYTE>(v >> 16), static_cast<BYTE>(v >> 8), static_cast<BYTE>(v));
    return true;
}

bool IsOption(const std::string& arg) { return arg.size() > 1 && arg[0] == '-' && arg[1] == '-'; }

// False, with `error` set, on a command line that does not fit the usage.
bool ParseRequest(const Args& args, DrawRequest* request, std::string* error) {
    std::vector<std::string> files;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!IsOption(arg)) {
            files.push_back(arg);
            continue;
        }
        if (arg != "--size" && arg != "--source" && arg != "--transparent" && arg != "--show-color") {
            *error = "unknown option '" + arg + "'";
            return false;
        }
        if (i + 1 >= args.size() || IsOption(args[i + 1])) {
            *error = arg + " needs a value";
            return false;
        }
        const std::string& value = args[++i];
        bool ok = true;
        if (arg == "--size") {
            ok = ParseSize(value, &request->width, &request->height);
        } else if (arg == "--source") {
            ok = request->hasSource = ParseRect(value, &request->source);
        } else if (arg == "--show-color") {
            ok = request->hasShowColor = ParseColor(value, &request->showColor);
        } else {
            // One colour or more, up to the next option or a word that is no colour.
            COLORREF color;
            ok = ParseColor(value, &color);
            if (ok) request->transparent.push_back(color);
            while (ok && i + 1 < args.size() && ParseColor(args[i + 1], &color)) {
                request->transparent.push_back(color);
                ++i;
            }
        }
        if (!ok) {
            *error = "bad value '" + value + "' for " + arg;
            return false;
        }
    }
    if (files.size() != 2) {
        *error = "draw needs an input and an output file";
        return false;
    }
    request->input = files[0];
    request->output = files[1];
    return true;
}

void SetTransparency(const DrawRequest& request, CNewDIB* dib) {
    if (request.transparent.empty()) return;
    dib->Transparent(1);
    for (COLORREF c : request.transparent) dib->AddTransClr(c);
    if (request.hasShowColor) dib->SetTransShowColor(request.showColor);
}

int Draw(const DrawRequest& request) {
    std::string input = request.input, error;
    if (IsStandardStream(request.output)) return UsageError("draw saves a named file ('-' is for its input only)");
    if (!ResolveInput(&input, &error)) return UsageError(error);
    CNewDIB dib;
    if (!dib.ReadFile(input.c_str(), InputFormat(input))) {
        PrintFailure("cannot read " + request.input, dib.GetLastErrorText());
        return kExitFailure;
    }
    const int width = request.width ? request.width : dib.GetWidth();
    const int height = request.height ? request.height : dib.GetHeight();
    CDC surface;
    if (!surface.CreateMemoryDC(width, height, RGB(255, 255, 255))) {
        std::fprintf(stderr, "velmora: cannot make a %dx%d surface; choose a smaller --size\n", width, height);
        return kExitFailure;
    }
    RECT dst{0, 0, width, height};
    RECT src = request.hasSource ? request.source : RECT{0, 0, dib.GetWidth(), dib.GetHeight()};
    SetTransparency(request, &dib);
    if (!dib.DrawDIB(&surface, &dst, &src, SRCCOPY)) {
        std::fprintf(stderr, "velmora: drawing %s failed\n", request.input.c_str());
        return kExitFailure;
    }
    CNewDIB out;
    if (!CopySurfaceToDIB(surface.GetSafeHdc(), &out)) {
        std::fprintf(stderr, "velmora: cannot hold the %dx%d surface as an image\n", width, height);
        return kExitFailure;
    }
    if (!out.SaveFile(request.output.c_str(), -1, 1)) {
        PrintFailure("cannot save " + request.output, out.GetLastErrorText());
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace

int RunDraw(const Args& args) { return RunRequest<DrawRequest>(args, kUsage, ParseRequest, Draw); }

}  // namespace velmora::cli
