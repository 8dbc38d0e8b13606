#include "velmora/dibfile.h"

#include "document/codec_frame.h"
#include "velmora/newdib.h"

CDIBFile::CDIBFile(CNewDIB* dib, HWND wnd) : m_pDIB(dib), m_bGray(0), m_hWnd(wnd) {}

CDIBFile::~CDIBFile() = default;

namespace velmora {

int RecordFailure(CDIBFile& codec, const char* text) {
    if (text) codec.m_strError = text;
    return 0;
}

int FailRead(CDIBFile& codec, const char* text) {
    RecordFailure(codec, text);
    if (codec.m_pDIB) codec.m_pDIB->ReleaseDIB();
    CodecProgress(codec).End();
    return 0;
}

int FailSave(CDIBFile& codec, const char* text) {
    RecordFailure(codec, text);
    CodecProgress(codec).End();
    return 0;
}

}  // namespace velmora
