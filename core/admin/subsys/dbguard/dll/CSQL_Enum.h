// The select-hierarchy dialog's decisions: which existing database-server
// hierarchies of the block's system pair are offered, and what the dialog's
// answer leaves in the block.
#pragma once

#include "ConsoleDatabase.h"
#include "RecoveryKitControlBlock.h"

#include <string>
#include <vector>

namespace dbguard {

inline constexpr int kEnumNewResult = 1010;
inline constexpr int kEnumHelpContext = 521;

class CSQL_Enum {
public:
    // The tags of the hierarchies of application "database" and type
    // "dbguard" on the first primary system whose backup is the first
    // secondary system, sorted; empty when there is none (or a list is empty).
    static std::vector<std::string> OfferedTags(panelaid::ConsoleDatabase& db, const RecoveryKitControlBlock& block);
    // The dialog's result in the block: 2 cancelled, 1010 status 4, any other
    // result stored with the chosen tag copied.
    static void StoreResult(int dialogResult, const std::string& chosenTag, RecoveryKitControlBlock* block);
};

}  // namespace dbguard
