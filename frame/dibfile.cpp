#include "velmora/dibfile.h"

#include <unistd.h>

#include <cstring>

#include "frame/codec_frame.h"
#include "frame/row_loop.h"
#include "environment/texts.h"
#include "platform/open_file.h"
#include "storage/image_limits.h"
#include "velmora/newdib.h"

CDIBFile::CDIBFile(CNewDIB* dib, HWND wnd) : m_pDIB(dib), m_bGray(0), m_hWnd(wnd), m_nOrientation(1), m_nFitWidth(0), m_nFitHeight(0), m_pSaveOptions(nullptr) {}

CDIBFile::~CDIBFile() = default;

namespace velmora {

Failure CheckImageSize(int64_t width, int64_t height, int bitCount) {
    return ImageWithinLimits(width, height, bitCount) ? nullptr : text::kCreateBufferFailed;
}

DIBSaveOptions SaveOptionsOf(const CDIBFile& codec) {
    return codec.m_pSaveOptions ? *codec.m_pSaveOptions : GetDefaultSaveOptions();
}

int RecordFailure(CDIBFile& codec, Failure text) {
    if (text && *text) codec.m_strError = text;
    return 0;
}

int FailRead(CDIBFile& codec, Failure text) {
    RecordFailure(codec, text);
    if (codec.m_pDIB) codec.m_pDIB->ReleaseDIB();
    CodecProgress(codec).End();
    return 0;
}

int FailKeepingImage(CDIBFile& codec, Failure text) {
    RecordFailure(codec, text);
    if (CNewDIBObject* image = codec.m_pDIB; image && image->Ready()) {
        RowLoop loop(image, RowOrder::BottomUp, nullptr);
        loop.Run([](const RowPiece& piece) -> Failure {
            std::memset(piece.lowest, 0, piece.Bytes());
            return nullptr;
        });
    }
    return 0;
}

Failure OpenForReading(CDIBFile& codec, const char* path, CFile& file) {
    if (!codec.m_pDIB) return text::kNoData;
    if (!path || !file.Open(path, CFile::modeRead | CFile::shareDenyWrite)) return text::kOpenFailed;
    return nullptr;
}

Failure OpenRefusal(const char* path, Failure refused) {
    const int fd = path ? OpenForReading(path) : -1;
    if (fd < 0) return text::kOpenFailed;
    close(fd);
    return refused;
}

int FailSave(CDIBFile& codec, Failure text) {
    RecordFailure(codec, text);
    CodecProgress(codec).End();
    return 0;
}

Failure EndSave(CDIBFile& codec, Failure failure) {
    if (failure) FailSave(codec, failure);
    else CodecProgress(codec).End();
    return failure;
}

}  // namespace velmora
