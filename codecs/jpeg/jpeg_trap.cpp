#include "codecs/jpeg/jpeg_trap.h"

namespace velmora::jpeg {

namespace {

// Replaces the standard fatal exit, which ends the process.
[[noreturn]] void ExitToTrap(j_common_ptr object) {
    ErrorTrap* trap = reinterpret_cast<ErrorTrap*>(object->err);
    std::longjmp(trap->jump, 1);
}

}  // namespace

jpeg_error_mgr* ArmTrap(ErrorTrap* trap, Failure failure) {
    jpeg_error_mgr* manager = jpeg_std_error(&trap->manager);
    manager->error_exit = ExitToTrap;
    trap->failure = failure;
    return manager;
}

}  // namespace velmora::jpeg
