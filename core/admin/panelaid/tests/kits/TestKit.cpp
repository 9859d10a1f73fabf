// A recovery kit for the loader's tests, built several times with different
// parts. What an entry does is chosen by the block's m_machine.
#include "RecoveryKitControlBlock.h"

#include <stdexcept>

namespace {

[[maybe_unused]] int Behave(RecoveryKitControlBlock* block, const char* done) {
    const std::string& how = block->m_machine;
    if (how == "throw") throw std::runtime_error("kit failure");
    if (how == "set1-return0") {
        block->m_status = kKitStatusDone;
        return 0;
    }
    if (how == "untouched") return 1;
    if (how == "cancel") {
        block->m_status = kKitStatusCancelled;
        return 1;
    }
    block->m_resultTag = done;
    block->m_status = kKitStatusDone;
    return 1;
}

}  // namespace

#ifdef TEST_KIT_CAPABILITY
// Data with external linkage (a const alone would be internal).
extern "C" const unsigned char hvkit_capability[4] = {1, TEST_KIT_CAPABILITY, 1, 0};
#endif

extern "C" {

#ifdef TEST_KIT_ENTRIES
int hvkit_create_hierarchy(RecoveryKitControlBlock* block) {
    return Behave(block, "created");
}
int hvkit_enum_hierarchy(RecoveryKitControlBlock* block) {
    return Behave(block, "picked");
}
int hvkit_reserved(RecoveryKitControlBlock*) { return 0; }
#endif

}
