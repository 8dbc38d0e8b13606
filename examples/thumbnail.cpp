// A minimal Velmora host: reads an image, turns it a quarter to the right,
// draws a thumbnail of it (showing the library's progress on the terminal)
// and saves the thumbnail. The formats follow the files' extensions.
//
//   thumbnail IN OUT [SIZE]     SIZE: the thumbnail's longer side, default 96
#include <langinfo.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <velmora/velmora.h>

namespace {

// The library's texts are GBK; show them in the terminal's own encoding.
std::string ForTerminal(const char* gbk) { return ConvertGbk(gbk, nl_langinfo(CODESET)); }

// The progress handler: the library sends these three messages to the
// thread's main window while it reads, turns and saves.
LRESULT ShowProgress(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case DIBM_BEGINPROGRESS:
            std::fprintf(stderr, "%s", ForTerminal(reinterpret_cast<const char*>(lParam)).c_str());
            break;
        case DIBM_STEPPROGRESS:
            std::fprintf(stderr, " %lu%%", static_cast<unsigned long>(wParam));
            break;
        case DIBM_ENDPROGRESS:
            std::fprintf(stderr, "\n");
            break;
    }
    return 0;
}

// The largest rectangle of `size` on its longer side with the image's shape.
RECT FitInto(int width, int height, int size) {
    long w = size, h = size;
    if (width >= height) h = std::max(1L, static_cast<long>(size) * height / width);
    else w = std::max(1L, static_cast<long>(size) * width / height);
    return RECT{0, 0, static_cast<LONG>(w), static_cast<LONG>(h)};
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: thumbnail IN OUT [SIZE]\n");
        return 2;
    }
    const int size = argc == 4 ? std::atoi(argv[3]) : 96;
    if (size < 1 || size > 4096) {
        std::fprintf(stderr, "thumbnail: SIZE must be 1 to 4096\n");
        return 2;
    }
    HWND window = RegisterMainWindow(ShowProgress);

    CNewDIB image;
    if (!image.ReadFile(argv[1], -1)) {
        std::fprintf(stderr, "thumbnail: cannot read %s: %s\n", argv[1], ForTerminal(image.GetLastErrorText()).c_str());
        return 1;
    }
    if (!image.RightRotate()) {
        std::fprintf(stderr, "thumbnail: cannot turn %s\n", argv[1]);
        return 1;
    }

    // Draw the whole image, stretched, onto a white memory surface.
    RECT target = FitInto(image.GetWidth(), image.GetHeight(), size);
    RECT source{0, 0, image.GetWidth(), image.GetHeight()};
    CDC surface;
    if (!surface.CreateMemoryDC(target.right, target.bottom, RGB(255, 255, 255)) ||
        !image.DrawDIB(&surface, &target, &source, SRCCOPY)) {
        std::fprintf(stderr, "thumbnail: cannot draw %s\n", argv[1]);
        return 1;
    }

    // The surface becomes a 24-bit image of its own, saved like any other.
    CNewDIB thumbnail;
    if (!CopySurfaceToDIB(surface.GetSafeHdc(), &thumbnail) || !thumbnail.SaveFile(argv[2], -1, 1)) {
        std::fprintf(stderr, "thumbnail: cannot save %s: %s\n", argv[2],
                     ForTerminal(thumbnail.GetLastErrorText()).c_str());
        return 1;
    }
    UnregisterMainWindow(window);
    std::printf("%s: %dx%d\n", argv[2], thumbnail.GetWidth(), thumbnail.GetHeight());
    return 0;
}
