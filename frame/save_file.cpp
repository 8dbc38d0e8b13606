// The one save sequence: temporary, write, close, rename.
#include "frame/codec_frame.h"
#include "frame/safe_save.h"
#include "environment/texts.h"
#include "platform/system_error.h"

namespace velmora {

int SaveThroughTemporary(CDIBFile& codec, const char* path, const std::function<Failure(const char* temp)>& write) {
    ClearSystemError();
    SafeSave target(path);
    // A file that cannot be made, or put in the target's place, is a failure
    // with a text (the system's reason stays in GetLastSystemError).
    if (!target.Create()) return RecordFailure(codec, text::kCreateFileFailed);
    // An exception leaves through `target`, which removes the temporary.
    if (Failure failure = write(target.TempPath())) return RecordFailure(codec, failure);
    return target.Commit() ? 1 : RecordFailure(codec, text::kCreateFileFailed);
}

int SaveThroughFile(CDIBFile& codec, const char* path, const std::function<Failure(CFile& file)>& write) {
    return SaveThroughTemporary(codec, path, [&](const char* temp) -> Failure {
        CFile file;
        if (!file.Open(temp, CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive)) return text::kCreateFileFailed;
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
