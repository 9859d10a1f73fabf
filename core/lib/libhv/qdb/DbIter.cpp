#include "DbIter.h"

#include "DbMgr.h"
#include "ShmMgr.h"

namespace {

MemMgr ChainOf(std::int32_t type, DbMgr* db) {
    if (db == nullptr || type == DBMGR || type == REGPROC) return DbMgr::manager();
    return db->mem();
}

}  // namespace

void DbIter::iterInit(std::int32_t t, DbMgr* d) {
    type = t;
    db = (t == DBMGR || t == REGPROC) ? nullptr : d;
    page = -1;
    elem = -1;
    current_ = (pShmPtr != nullptr && (db != nullptr || t == DBMGR || t == REGPROC)) ? ChainOf(type, db).memNext(type, page, elem)
                                                                                    : nullptr;
}

void DbIter::iterInit(std::int32_t t, const char* name) { iterInit(t, ShmMgr::findDbMgr(name, 1)); }

void* DbIter::next() {
    if (current_ == nullptr) return nullptr;
    current_ = ChainOf(type, db).memNext(type, page, elem);
    return current_;
}

std::int32_t qdbbase_set::size() const { return db_ ? ChainOf(type_, db_).objCnt(type_) : 0; }

void* qdbbase_set::getitem(std::int32_t i) const { return db_ ? ChainOf(type_, db_).getitem(i, type_) : nullptr; }
