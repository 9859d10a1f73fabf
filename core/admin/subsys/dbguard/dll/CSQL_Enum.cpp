#include "CSQL_Enum.h"

#include "CKitPage.h"
#include "HierarchyQueries.h"

#include <algorithm>

namespace dbguard {

std::vector<std::string> CSQL_Enum::OfferedTags(panelaid::ConsoleDatabase& db, const RecoveryKitControlBlock& block) {
    std::vector<std::string> tags;
    if (block.m_primarySystems.empty() || block.m_secondarySystems.empty()) return tags;
    const std::string& system = block.m_primarySystems.front();
    const std::string& backup = block.m_secondarySystems.front();
    panelaid::Records records;
    panelaid::InstanceQuery q;
    q.application = kApplicationName;
    q.type = kKitName;
    if (db.InstanceList(system.c_str(), q, &records)) {
        panelaid::HierarchyQueries queries(db);
        for (const std::string& record : records) {
            const std::vector<std::string> fields = panelaid::SplitRecord(record);
            if (fields.size() < 4 || fields[3].empty()) continue;
            std::string found;
            if (queries.GetBackupMachine(system.c_str(), fields[3].c_str(), &found) && found == backup)
                tags.push_back(fields[3]);
        }
    }
    db.ClearError();
    std::sort(tags.begin(), tags.end());
    return tags;
}

void CSQL_Enum::StoreResult(int dialogResult, const std::string& chosenTag, RecoveryKitControlBlock* block) {
    if (dialogResult == 2) {
        block->m_status = kKitStatusCancelled;
    } else if (dialogResult == kEnumNewResult) {
        block->m_status = kKitStatusFailed;
    } else {
        block->m_status = dialogResult;
        block->m_resultTag = chosenTag;
    }
}

}  // namespace dbguard
