#include "storage/page_file_claim.h"

#include <cerrno>
#include <climits>
#include <mutex>

#include "storage/dib_map_file.h"
#include "velmora/environment.h"
#include "velmora/system.h"

namespace velmora {

namespace {

std::mutex g_claimLock;
std::mutex g_countLock;

// Names taken by another process between the check and the creation.
constexpr int kNameAttempts = 16;

}  // namespace

bool OpenFreshPageFile(CDIBMapFile* file, uint64_t stride, uint64_t rows, CString* name) {
    std::lock_guard<std::mutex> hold(g_claimLock);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        *name = CreateMapFileName();
        // An empty name means every name is taken.
        if (name->IsEmpty()) return false;
        if (file->Open(*name, stride, rows)) return true;
        // Any other failure (no room, no folder) will not go away on retrying.
        if (GetLastSystemError() != EEXIST) return false;
    }
    return false;
}

void AdjustLoadImageNumber(int delta) {
    std::lock_guard<std::mutex> hold(g_countLock);
    const int images = GetLoadImageNumber();
    if (delta < 0 && images > 1) SetLoadImageNumber(images - 1);
    if (delta > 0 && images < INT_MAX) SetLoadImageNumber(images + 1);
}

}  // namespace velmora
