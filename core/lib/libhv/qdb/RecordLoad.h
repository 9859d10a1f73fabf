// Making the name-keyed records of the applications and resource-types
// tables, from a loaded text or from a received cache update. Rec has
// static alloc(DbMgr*) and destroy().
#pragma once

#include "DbMgr.h"
#include "TableRecord.h"
#include "qdberr.h"
#include "qdbfile.h"

#include <cstring>

namespace cfgstore {

// One record per name of text (names separated by 0x01 or newlines; empty
// names and `skip` left out) made by create(record, name). A refused name
// is freed and makes the result -1, its report kept; the others are made.
// No room ends the load with report number noRoom.
template <class Rec, class Create>
int LoadNames(DbMgr* db, char* text, const char* skip, int noRoom, Create create) {
    int rc = 0;
    char* field = nullptr;
    for (char* p = text; p != nullptr;) {
        p = qdbstrscan(p, &field, nullptr);
        if (*field == '\0' || (skip != nullptr && std::strcmp(field, skip) == 0)) continue;
        Rec* rec = Rec::alloc(db);
        if (rec == nullptr) return hv_err(__FILE__, __LINE__, 23, noRoom, QDB_INT, "no room for %s", field);
        if (create(rec, field) != 0) {
            SavedError keep;
            rec->destroy();
            rc = -1;
        }
    }
    return rc;
}

// The record a cache update creates in a copy: 0, -8 without room, -7 when
// create(record) refuses (the record freed; its report dropped when the
// thread had none before).
template <class Rec, class Create>
int CreateInCopy(DbMgr* db, Create create) {
    const int before = Qdb_errno;
    Rec* rec = Rec::alloc(db);
    if (rec == nullptr) return -8;
    if (create(rec) == 0) return 0;
    rec->destroy();
    if (before == 0) qdberrclr();
    return -7;
}

}  // namespace cfgstore
