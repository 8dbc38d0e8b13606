#include "tools/commands.h"

namespace velmora::cli {

int RunConvert(const Args&) {
    std::fprintf(stderr, "velmora: convert is not available yet\n");
    return 2;
}

}  // namespace velmora::cli
