// velmora contact-sheet DIR OUT: every image of a folder, read and drawn by
// the library, as labelled thumbnails on one sheet.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/batch_progress.h"
#include "tools/commands.h"
#include "tools/convert_depth.h"
#include "tools/contact_sheet_layout.h"
#include "tools/tiny_font.h"
#include "velmora/cfile.h"
#include "velmora/devicecontext.h"
#include "velmora/environment.h"
#include "velmora/newdib.h"
#include "velmora/thumbnail.h"

namespace velmora::cli {

namespace {

const char kUsage[] =
    "usage: velmora contact-sheet DIR OUT [--cell PIXELS] [--columns N]\n"
    "Reads every image of DIR (the files whose extension the library knows, in name order), draws\n"
    "each as a thumbnail of at most PIXELS (default 128) on a side with its name, size and bit count\n"
    "beneath, and saves the sheet as OUT. A file that cannot be read gets a crossed-out cell and is\n"
    "listed with its reason at the end (exit status 1); the sheet is saved all the same.\n";

constexpr int kDefaultCell = 128;
// 24-bit pixel values, blue in the low byte.
constexpr unsigned long kInk = 0x202020, kFrame = 0xC8C8C8, kCross = 0xD02020;

struct SheetRequest {
    std::string dir;
    std::string output;
    int cell = kDefaultCell;
    int columns = 0;  // 0: about as many as rows
};

struct Cell {
    std::string name;
    std::string detail;  // "127x64 8-bit", or "unreadable"
    bool failed = false;
    std::string reason;
};

bool ParseCount(const std::string& text, int low, int high, int* out) {
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || v < low || v > high) return false;
    *out = static_cast<int>(v);
    return true;
}

bool ParseRequest(const Args& args, SheetRequest* request, std::string* error) {
    std::vector<std::string> files;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--cell" || arg == "--columns") {
            const bool ok = i + 1 < args.size() && (arg == "--cell" ? ParseCount(args[i + 1], 16, 1024, &request->cell)
                                                                     : ParseCount(args[i + 1], 1, 256, &request->columns));
            if (!ok) {
                *error = arg == "--cell" ? "--cell needs a size from 16 to 1024" : "--columns needs a count from 1 to 256";
                return false;
            }
            ++i;
        } else if (arg.size() > 1 && arg[0] == '-') {
            *error = "unknown option '" + arg + "'";
            return false;
        } else {
            files.push_back(arg);
        }
    }
    if (files.size() != 2) {
        *error = "contact-sheet needs a folder and an output file";
        return false;
    }
    request->dir = files[0];
    request->output = files[1];
    return true;
}

// True when the library reads files named so (it goes by the extension).
bool IsImageName(const std::string& name) {
    const size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || dot == 0) return false;
    CString pattern(("*." + name.substr(dot + 1)).c_str());
    pattern.MakeUpper();
    for (int code = DIBTYPE_BMP; code < DIBTYPE_NONE; ++code)
        if (GetDIBExt(code) == pattern) return true;
    return false;
}

std::string RealPath(const std::string& path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

// The image files of `dir` in name order, leaving out hidden files and the
// sheet itself (a second run must not draw the first run's sheet).
bool ListImages(const std::string& dir, const std::string& output, std::vector<std::string>* names) {
    DIR* d = opendir(dir.c_str());
    if (!d) return false;
    const std::string sheet = RealPath(output);
    while (const dirent* entry = readdir(d)) {
        const std::string name = entry->d_name;
        if (name.empty() || name[0] == '.' || !IsImageName(name)) continue;
        const std::string path = dir + "/" + name;
        struct stat st;
        if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        if (!sheet.empty() && RealPath(path) == sheet) continue;
        names->push_back(name);
    }
    closedir(d);
    std::sort(names->begin(), names->end());
    return true;
}

// What the tiny font can write of a file name: other scripts' characters
// (UTF-8 sequences) become one '?' each; too long a name ends in '~'.
std::string LabelText(const std::string& name, int width) {
    std::string text;
    for (unsigned char c : name) {
        if (c < 0x80) text += static_cast<char>(c);
        else if (c >= 0xC0) text += '?';
    }
    const size_t fits = static_cast<size_t>((width + 1) / kGlyphAdvance);
    if (text.size() > fits && fits > 0) text = text.substr(0, fits - 1) + "~";
    return text;
}

// Reads one image and draws it into its box; the cell tells what happened.
Cell DrawThumbnail(const std::string& dir, const std::string& name, const RECT& box, CDC* surface) {
    Cell cell;
    cell.name = name;
    CNewDIB dib;
    try {
        if (!dib.ReadFile((dir + "/" + name).c_str(), -1)) {
            cell.reason = "cannot read: " + FailureText(dib.GetLastErrorText());
        } else {
            // Filtered to the box, then drawn pixel for pixel, centred.
            CNewDIB thumb;
            const int boxW = box.right - box.left, boxH = box.bottom - box.top;
            if (MakeThumbnail(&dib, boxW, boxH, &thumb)) {
                const LONG left = box.left + (boxW - thumb.GetWidth()) / 2, top = box.top + (boxH - thumb.GetHeight()) / 2;
                RECT dst{left, top, left + thumb.GetWidth(), top + thumb.GetHeight()};
                RECT src{0, 0, thumb.GetWidth(), thumb.GetHeight()};
                if (!thumb.DrawDIB(surface, &dst, &src, SRCCOPY)) cell.reason = "cannot draw";
            } else {
                cell.reason = "cannot make its thumbnail";
            }
        }
    } catch (const CFileException& e) {
        cell.reason = e.what();
    }
    cell.failed = !cell.reason.empty();
    cell.detail = cell.failed ? "unreadable"
                              : std::to_string(dib.GetWidth()) + "x" + std::to_string(dib.GetHeight()) + " " +
                                    std::to_string(dib.GetBitCount()) + "-bit";
    return cell;
}

// Marks on the finished sheet, through the library's pixel calls; x and y
// count from the top-left.
class SheetPen {
public:
    explicit SheetPen(CNewDIB* sheet) : m_sheet(sheet) {}
    void Dot(int x, int y, unsigned long color) { m_sheet->SetPiexlRGB(x, m_sheet->GetHeight() - 1 - y, color); }
    // A one-pixel line just outside `r`.
    void Frame(const RECT& r, unsigned long color) {
        for (int x = r.left - 1; x <= r.right; ++x) {
            Dot(x, r.top - 1, color);
            Dot(x, r.bottom, color);
        }
        for (int y = r.top; y < r.bottom; ++y) {
            Dot(r.left - 1, y, color);
            Dot(r.right, y, color);
        }
    }
    // Both diagonals of the square `r`, two pixels thick.
    void Cross(const RECT& r, unsigned long color) {
        for (int i = 0; i < r.right - r.left; ++i) {
            for (int t = 0; t < 2; ++t) {
                Dot(r.left + i + t, r.top + i, color);
                Dot(r.right - 1 - i - t, r.top + i, color);
            }
        }
    }
    void Text(int x, int y, const std::string& text, unsigned long color) {
        RenderText(text, [&](int dx, int dy) { Dot(x + dx, y + dy, color); });
    }

private:
    CNewDIB* m_sheet;
};

void Label(const SheetLayout& layout, size_t index, const Cell& cell, SheetPen* pen) {
    const RECT box = layout.Box(index);
    pen->Frame(box, kFrame);
    if (cell.failed) pen->Cross(box, kCross);
    const Point name = layout.LabelLine(index, 0), detail = layout.LabelLine(index, 1);
    pen->Text(name.x, name.y, LabelText(cell.name, layout.cell), kInk);
    pen->Text(detail.x, detail.y, LabelText(cell.detail, layout.cell), cell.failed ? kCross : kInk);
}

int ReportSheet(const SheetRequest& request, const std::vector<Cell>& cells) {
    size_t failed = 0;
    for (const Cell& cell : cells) failed += cell.failed;
    if (!IsQuiet())
        std::printf("%s: %zu image%s, %zu unreadable\n", request.output.c_str(), cells.size(),
                    cells.size() == 1 ? "" : "s", failed);
    if (!failed) return kExitOk;
    std::fprintf(stderr, "velmora: %zu of %zu file%s could not be drawn:\n", failed, cells.size(),
                 cells.size() == 1 ? "" : "s");
    for (const Cell& cell : cells)
        if (cell.failed) std::fprintf(stderr, "  %s/%s: %s\n", request.dir.c_str(), cell.name.c_str(), cell.reason.c_str());
    return kExitFailure;
}

int MakeSheet(const SheetRequest& request) {
    std::vector<std::string> names;
    if (!ListImages(request.dir, request.output, &names)) {
        std::fprintf(stderr, "velmora: cannot list the folder '%s'\n", request.dir.c_str());
        return kExitFailure;
    }
    if (names.empty()) {
        std::fprintf(stderr, "velmora: no image files in '%s'\n", request.dir.c_str());
        return kExitFailure;
    }
    const SheetLayout layout = PlanSheet(names.size(), request.cell, request.columns);
    CDC surface;
    if (layout.Width() > kMaxSurfaceSide || layout.Height() > kMaxSurfaceSide ||
        !surface.CreateMemoryDC(layout.Width(), layout.Height(), RGB(255, 255, 255))) {
        std::fprintf(stderr, "velmora: a %dx%d sheet is too large; choose a smaller --cell or other --columns\n",
                     layout.Width(), layout.Height());
        return kExitFailure;
    }
    std::vector<Cell> cells;
    {
        BatchProgress progress(names.size(), 1, !IsQuiet());
        for (size_t i = 0; i < names.size(); ++i) {
            progress.StartFile(i, names[i]);
            cells.push_back(DrawThumbnail(request.dir, names[i], layout.Box(i), &surface));
        }
    }
    CNewDIB sheet;
    if (!CopySurfaceToDIB(surface.GetSafeHdc(), &sheet)) {
        std::fprintf(stderr, "velmora: cannot hold the %dx%d sheet as an image\n", layout.Width(), layout.Height());
        return kExitFailure;
    }
    SheetPen pen(&sheet);
    for (size_t i = 0; i < cells.size(); ++i) Label(layout, i, cells[i], &pen);
    std::string failed;
    if (!FitDepthToFormat(&sheet, -1, "the sheet", request.output, &failed) ||
        !sheet.SaveFile(request.output.c_str(), -1, 1)) {
        PrintFailure("cannot save " + request.output + (failed.empty() ? "" : ": " + failed), sheet.GetLastErrorText());
        return kExitFailure;
    }
    return ReportSheet(request, cells);
}

}  // namespace

int RunContactSheet(const Args& args) { return RunRequest<SheetRequest>(args, kUsage, ParseRequest, MakeSheet); }

}  // namespace velmora::cli
