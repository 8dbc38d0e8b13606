#include "tools/commands.h"

namespace velmora::cli {

int RunInfo(const Args&) {
    std::fprintf(stderr, "velmora: info is not available yet\n");
    return 2;
}

}  // namespace velmora::cli
