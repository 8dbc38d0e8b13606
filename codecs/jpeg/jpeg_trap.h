// libjpeg's fatal errors, caught without ending the process. The standard
// error manager stays in place for warnings; only its fatal exit is replaced
// by a longjmp back to the step that was running, which then returns the
// codec's failure text. Every trapped step is a lambda of library calls
// capturing by reference: nothing with a destructor lies between the setjmp
// and the library frames a longjmp skips.
#pragma once

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

#include "frame/codec_frame.h"

namespace velmora::jpeg {

struct ErrorTrap {
    jpeg_error_mgr manager;  // first, so the library's err pointer is the trap's address
    std::jmp_buf jump;
    Failure failure;  // what a fatal error fails with
    // Warnings noted. The library fills in what the data lacks: entropy data
    // that runs out or is damaged (it skips or resynchronizes); a file that
    // ends before its end marker, which loses nothing when every scan was
    // whole (only the marker is missing).
    bool dataLacking;
    bool endedEarly;
    // Set once the header is read: bytes the decoder skips from then on were
    // entropy data it could not use (before, they are stray header bytes).
    bool inScans;
    void (*standardEmit)(j_common_ptr, int);  // the manager's own, which prints
};

// The standard manager with its fatal exit leading back to the trap and its
// warnings noted (still printed as the library prints them); the result goes
// into the library object's err field before it is created.
jpeg_error_mgr* ArmTrap(ErrorTrap* trap, Failure failure);

// Runs `step` with the trap set: null when it returned, the trap's failure
// text when the library raised a fatal error inside it. The library object
// is then fit only to be destroyed.
template <class Step>
Failure Trapped(ErrorTrap& trap, const Step& step) {
    if (setjmp(trap.jump)) return trap.failure;
    step();
    return nullptr;
}

// Moves `count` scanlines through `move(rows, n)` (jpeg_read_scanlines or
// jpeg_write_scanlines), which may take several calls; a call that moves
// none fails with the trap's text too.
template <class Move>
Failure TrappedScanlines(ErrorTrap& trap, JSAMPARRAY rows, JDIMENSION count, const Move& move) {
    bool moving = true;
    Failure failure = Trapped(trap, [&] {
        for (JDIMENSION done = 0; moving && done < count;) {
            JDIMENSION moved = move(rows + done, count - done);
            moving = moved != 0;
            done += moved;
        }
    });
    return failure ? failure : moving ? nullptr : trap.failure;
}

}  // namespace velmora::jpeg
