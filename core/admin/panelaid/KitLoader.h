// Loads the recovery kit a control block names, for exactly one call of its
// create or enumerate entry, and unloads it again; the outcome is the
// block's status. No message is shown: the caller decides what to say.
#pragma once

#include "RecoveryKitControlBlock.h"

#include <string>

namespace panelaid {

enum class KitOperation { Create, Enumerate };

class KitLoader {
public:
    // <root>/admin/kit/<kit>/<kit>.so
    static std::string LibraryPath(const std::string& root, const std::string& kit);
    // A kit name that stays inside the kit directory: not empty, no '/',
    // not "." or "..".
    static bool IsKitName(const std::string& kit);

    // Sets block->m_status: 3 no library, capability record or entry (or a
    // name that would leave the kit directory); 5 the operation is not
    // offered; 0 before the entry runs; 4 when the entry returns 0 or throws.
    static void Run(const std::string& root, RecoveryKitControlBlock* block, KitOperation operation);
};

}  // namespace panelaid
