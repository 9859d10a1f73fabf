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
    // A search goes at most this many tags up or down: a damaged database's
    // endless chain cannot exhaust the stack.
    static constexpr int kMaxDepth = 1000;

    explicit HierarchyQueries(ConsoleDatabase& db) : db_(db) {}

    // True with the backup system of tag's hierarchy in machine's database:
    // the first child subtree (depth first) with a backup wins, then tag's own
    // shared equivalency, then that of tag's first root. `backup` is
    // unchanged when there is none. Leaves the thread's error clear.
    bool GetBackupMachine(const char* machine, const char* tag, std::string* backup);

    // The roots above tag (tag itself without parents), each once, in the
    // order found. Leaves the thread's error clear; readFailed (when given)
    // tells whether a read failed for more than "nothing found", or a chain
    // went past kMaxDepth (the list is then not complete).
    std::vector<std::string> RootList(const char* machine, const char* tag, bool* readFailed = nullptr);

private:
    // `seen` holds the tags already searched: a diamond is walked once, and a
    // loop in a damaged database ends.
    bool BackupSearch(const char* machine, const std::string& tag, std::string* backup, std::set<std::string>* seen,
                      int depth);
    void RootSearch(const char* machine, const std::string& tag, std::vector<std::string>* roots,
                    std::set<std::string>* seen, bool* readFailed, int depth);

    ConsoleDatabase& db_;
};

}  // namespace panelaid
