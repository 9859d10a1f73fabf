// A recovery kit that stands for the named-pipe and IP-address kits in the
// tests, built once under each name (DEPENDENCY_KIT). It shows nothing; its
// answers come from the environment, <NAME> being the kit's name in capitals:
//   <NAME>_CHOOSE=tag   enumerate chooses tag (status 1); unset: status 4
//   <NAME>_CREATE=tag   create makes tag (status 1); "fail": the entry
//                       returns 0; unset: cancelled (status 2)
#include "RecoveryKitControlBlock.h"

#include <cstdlib>
#include <string>

namespace {

const char* Answer(const char* what) {
    const std::string name = std::string(DEPENDENCY_KIT_UPPER) + "_" + what;
    return std::getenv(name.c_str());
}

}  // namespace

extern "C" {

extern const unsigned char hvkit_capability[4] = {0x01, 0x03, 0x01, 0x00};

int hvkit_enum_hierarchy(RecoveryKitControlBlock* block) {
    const char* tag = Answer("CHOOSE");
    if (tag == nullptr) {
        block->m_status = kKitStatusFailed;
        return 1;
    }
    block->m_resultTag = tag;
    block->m_status = kKitStatusDone;
    return 1;
}

int hvkit_create_hierarchy(RecoveryKitControlBlock* block) {
    const char* tag = Answer("CREATE");
    if (tag == nullptr) {
        block->m_status = kKitStatusCancelled;
        return 1;
    }
    if (std::string(tag) == "fail") return 0;
    block->m_resultTag = tag;
    block->m_status = kKitStatusDone;
    return 1;
}

}
