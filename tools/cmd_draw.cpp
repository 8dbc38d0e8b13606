#include "tools/commands.h"

namespace velmora::cli {

int RunDraw(const Args&) {
    std::fprintf(stderr, "velmora: draw is not available yet\n");
    return 2;
}

}  // namespace velmora::cli
