// Which databases lie on which volumes, from getsqldb's lines, and the walk
// that finds every database and volume connected to one of them.
#pragma once

#include "CAssocList.h"

#include <string>
#include <vector>

namespace dbguard {

class DatabaseVolumeMaps {
public:
    // Bounds on what getsqldb may hand us; a line past them is refused.
    static constexpr std::size_t kMaxLineBytes = 64 * 1024;
    static constexpr std::size_t kMaxNameBytes = 128;
    static constexpr std::size_t kMaxEntries = 20000;

    // One volume line: "<volume> <database> <database> ...", words between
    // single blanks. An empty line or one without a blank adds nothing; a
    // last empty word is dropped. False (nothing added) with a reason for a
    // line past the bounds.
    bool AddLine(const std::string& line, std::string* problem);
    void Clear();

    const CAssocList& Volumes() const { return volumes_; }      // volume -> databases
    const CAssocList& Databases() const { return databases_; }  // database -> volumes

    struct Connected {
        std::vector<std::string> databases;
        std::vector<std::string> volumes;
    };
    // Every database and volume reachable from the database (or volume) key,
    // the key itself included when the maps know it; each once, in the
    // order reached.
    Connected Walk(const std::string& key, bool fromDatabase) const;

private:
    CAssocList volumes_;
    CAssocList databases_;
};

}  // namespace dbguard
