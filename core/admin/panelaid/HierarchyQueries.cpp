#include "HierarchyQueries.h"

#include <algorithm>

namespace panelaid {

bool HierarchyQueries::BackupSearch(const char* machine, const std::string& tag, std::string* backup,
                                    std::set<std::string>* seen, int depth) {
    if (depth >= kMaxDepth) return false;
    // A subtree searched before gave no backup (or the search would have ended).
    if (!seen->insert(tag).second) return false;
    bool found = false;
    Records children;
    if (db_.DependencyList(machine, tag.c_str(), Relation::Children, &children)) {
        for (const std::string& record : children) {
            if (found) break;
            const std::vector<std::string> f = SplitRecord(record);
            if (f.size() < 2) continue;
            found = BackupSearch(machine, f[1], backup, seen, depth + 1);
        }
    }
    db_.ClearError();
    if (found) return true;

    Records shared;
    if (!db_.EquivalencyList(machine, nullptr, tag.c_str(), 'S', &shared) || shared.empty()) {
        db_.ClearError();
        return false;
    }
    const std::vector<std::string> f = SplitRecord(shared.front());
    if (f.size() < 4) return false;
    const std::string self = machine != nullptr ? machine : db_.LocalName();
    if (f[1] == tag && f[0] == self) {
        *backup = f[2];
        return true;
    }
    if (f[3] == tag && f[2] == self) {
        *backup = f[0];
        return true;
    }
    return false;
}

bool HierarchyQueries::GetBackupMachine(const char* machine, const char* tag, std::string* backup) {
    if (tag == nullptr) return false;
    std::set<std::string> seen;
    if (BackupSearch(machine, tag, backup, &seen, 0)) return true;
    const std::vector<std::string> roots = RootList(machine, tag, nullptr);
    if (roots.empty()) return false;
    seen.clear();
    return BackupSearch(machine, roots.front(), backup, &seen, 0);
}

void HierarchyQueries::RootSearch(const char* machine, const std::string& tag, std::vector<std::string>* roots,
                                  std::set<std::string>* seen, bool* readFailed, int depth) {
    if (depth >= kMaxDepth) {
        if (readFailed != nullptr) *readFailed = true;
        return;
    }
    // The roots above a tag reached before are in the table already.
    if (!seen->insert(tag).second) return;
    Records parents;
    if (db_.DependencyList(machine, tag.c_str(), Relation::Parents, &parents) && !parents.empty()) {
        for (const std::string& record : parents) {
            const std::vector<std::string> f = SplitRecord(record);
            if (!f.empty()) RootSearch(machine, f[0], roots, seen, readFailed, depth + 1);
        }
        return;
    }
    // Error 7 is the database's "nothing found": a tag without parents.
    if (readFailed != nullptr && db_.ErrorNumber() != 0 && db_.ErrorNumber() != 7) *readFailed = true;
    db_.ClearError();
    if (roots->size() >= kMaxRoots) return;
    if (std::find(roots->begin(), roots->end(), tag) == roots->end()) roots->push_back(tag);
}

std::vector<std::string> HierarchyQueries::RootList(const char* machine, const char* tag, bool* readFailed) {
    std::vector<std::string> roots;
    std::set<std::string> seen;
    if (tag != nullptr) RootSearch(machine, tag, &roots, &seen, readFailed, 0);
    db_.ClearError();
    return roots;
}

}  // namespace panelaid
