// Two questions about the resource hierarchies of a database: the backup
// system of a resource's hierarchy, and the roots above a resource.
#pragma once

#include "ConsoleDatabase.h"

#include <set>
#include <string>
#include <vector>

namespace panelaid {

class HierarchyQueries {
public:
    // At most this many roots are collected.
    static constexpr std::size_t kMaxRoots = 5000;

    explicit HierarchyQueries(ConsoleDatabase& db) : db_(db) {}

    // True with the backup system of tag's hierarchy in machine's database:
    // the first child subtree (depth first) with a backup wins, then tag's own
    // shared equivalency, then that of tag's first root. `backup` is
    // unchanged when there is none. Leaves the thread's error clear.
    bool GetBackupMachine(const char* machine, const char* tag, std::string* backup);

    // The roots above tag (tag itself without parents), each once, in the
    // order found. Leaves the thread's error clear; readFailed (when given)
    // tells whether a read failed for more than "nothing found".
    std::vector<std::string> RootList(const char* machine, const char* tag, bool* readFailed = nullptr);

private:
    // `seen` holds the tags already searched: a diamond is walked once, and a
    // loop in a damaged database ends.
    bool BackupSearch(const char* machine, const std::string& tag, std::string* backup, std::set<std::string>* seen);
    void RootSearch(const char* machine, const std::string& tag, std::vector<std::string>* roots,
                    std::set<std::string>* seen, bool* readFailed);

    ConsoleDatabase& db_;
};

}  // namespace panelaid
