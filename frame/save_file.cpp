// The one save sequence: temporary, write, close, rename.
#include "frame/codec_frame.h"
#include "frame/safe_save.h"

namespace velmora {

int SaveThroughTemporary(CDIBFile& codec, const char* path, const std::function<Failure(const char* temp)>& write) {
    SafeSave target(path);
    if (!target.Create()) return 0;
    // An exception leaves through `target`, which removes the temporary.
    if (Failure failure = write(target.TempPath())) return RecordFailure(codec, failure);
    return target.Commit() ? 1 : 0;
}

int SaveThroughFile(CDIBFile& codec, const char* path, const std::function<Failure(CFile& file)>& write) {
    return SaveThroughTemporary(codec, path, [&](const char* temp) -> Failure {
        CFile file;
        if (!file.Open(temp, CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive)) return kSilentFailure;
        try {
            if (Failure failure = write(file)) {
                file.Abort();
                return failure;
            }
            file.Close();
        } catch (...) {
            file.Abort();
            throw;
        }
        return nullptr;
    });
}

}  // namespace velmora
