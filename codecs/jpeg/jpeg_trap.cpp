#include "codecs/jpeg/jpeg_trap.h"

#include <jerror.h>

namespace velmora::jpeg {

namespace {

// Replaces the standard fatal exit, which ends the process.
[[noreturn]] void ExitToTrap(j_common_ptr object) {
    ErrorTrap* trap = reinterpret_cast<ErrorTrap*>(object->err);
    std::longjmp(trap->jump, 1);
}

// The warnings the library gives when entropy data is missing or damaged.
// Stray bytes between header segments, or an odd but readable header, lose
// no pixel and stay warnings.
bool LacksData(int code) {
    switch (code) {
    case JWRN_HIT_MARKER:
    case JWRN_MUST_RESYNC:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
        return true;
    default:
        return false;
    }
}

void NoteMessage(j_common_ptr object, int level) {
    ErrorTrap* trap = reinterpret_cast<ErrorTrap*>(object->err);
    trap->standardEmit(object, level);
    if (level >= 0) return;
    const int code = trap->manager.msg_code;
    if (LacksData(code) || (code == JWRN_EXTRANEOUS_DATA && trap->inScans)) trap->dataLacking = true;
    if (code == JWRN_JPEG_EOF) trap->endedEarly = true;
}

}  // namespace

jpeg_error_mgr* ArmTrap(ErrorTrap* trap, Failure failure) {
    jpeg_error_mgr* manager = jpeg_std_error(&trap->manager);
    manager->error_exit = ExitToTrap;
    trap->standardEmit = manager->emit_message;
    manager->emit_message = NoteMessage;
    trap->dataLacking = false;
    trap->endedEarly = false;
    trap->inScans = false;
    trap->failure = failure;
    return manager;
}

}  // namespace velmora::jpeg
