// A minimal Velmora host: reads an image, turns it a quarter to the right,
// makes a thumbnail of it (showing the library's progress on the terminal)
// and saves the thumbnail. The formats follow the files' extensions.
//
//   thumbnail IN OUT [SIZE]     SIZE: the thumbnail's longer side, default 96
#include <langinfo.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <velmora/velmora.h>

namespace {

// The library's texts are GBK; show them in the terminal's own encoding.
std::string ForTerminal(const char* gbk) { return ConvertGbk(gbk, nl_langinfo(CODESET)); }

// The progress handler: the library sends these three messages to the
// thread's main window while it reads, turns and saves. A step may come for
// every row, so a percentage is printed only when it changes.
LRESULT ShowProgress(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
    static long shown = -1;
    switch (message) {
        case DIBM_BEGINPROGRESS:
            std::fprintf(stderr, "%s", ForTerminal(reinterpret_cast<const char*>(lParam)).c_str());
            shown = -1;
            break;
        case DIBM_STEPPROGRESS:
            if (static_cast<long>(wParam) != shown) std::fprintf(stderr, " %lu%%", static_cast<unsigned long>(wParam));
            shown = static_cast<long>(wParam);
            break;
        case DIBM_ENDPROGRESS:
            std::fprintf(stderr, "\n");
            break;
    }
    return 0;
}

int Run(const char* in, const char* out, int size) {
    CNewDIB image;
    if (!image.ReadFile(in, -1)) {
        std::fprintf(stderr, "thumbnail: cannot read %s: %s\n", in, ForTerminal(image.GetLastErrorText()).c_str());
        return 1;
    }
    if (!image.RightRotate()) {
        std::fprintf(stderr, "thumbnail: cannot turn %s\n", in);
        return 1;
    }
    // Filtered (areas averaged, then a Lanczos kernel), the aspect kept.
    CNewDIB thumbnail;
    if (!MakeThumbnail(&image, size, size, &thumbnail)) {
        std::fprintf(stderr, "thumbnail: cannot make a thumbnail of %s\n", in);
        return 1;
    }
    if (!thumbnail.SaveFile(out, -1, 1)) {
        std::fprintf(stderr, "thumbnail: cannot save %s: %s\n", out, ForTerminal(thumbnail.GetLastErrorText()).c_str());
        return 1;
    }
    std::printf("%s: %dx%d\n", out, thumbnail.GetWidth(), thumbnail.GetHeight());
    return 0;
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
    int status = 1;
    // Some readers let a file exception from the disk through (a missing GIF
    // file, a read error): a host catches it.
    try {
        status = Run(argv[1], argv[2], size);
    } catch (const CFileException& e) {
        std::fprintf(stderr, "thumbnail: %s\n", e.what());
    }
    UnregisterMainWindow(window);
    return status;
}
