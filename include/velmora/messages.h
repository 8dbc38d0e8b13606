// Progress messages sent to the host's main window.
#pragma once

#include "velmora/wintypes.h"

constexpr UINT DIBM_BEGINPROGRESS = 0x04C8;  // lParam: caption (GBK), valid during the send
constexpr UINT DIBM_STEPPROGRESS = 0x04C9;   // wParam: percent done, 0..100
constexpr UINT DIBM_ENDPROGRESS = 0x04CA;
