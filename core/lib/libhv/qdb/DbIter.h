// Iteration over the elements of one type in one database (or, for DBMGR
// and REGPROC, in the manager's chain), and the base of the tables' sets.
// Used under the database lock.
#pragma once

#include "QdbShmLayout.h"

#include <cstdint>

class DbMgr;

class DbIter {
public:
    // Sets the type and the database and moves to the first element.
    void iterInit(std::int32_t type, DbMgr* db);
    // The same for the database of system `name` (findDbMgr with load).
    void iterInit(std::int32_t type, const char* name);
    // The current element, null at the end.
    void* current() const { return current_; }
    // Moves on; the new current element.
    void* next();

    std::int32_t type = FREE;
    DbMgr* db = nullptr;  // null: the manager
    std::int32_t page = -1;
    std::int32_t elem = -1;

private:
    void* current_ = nullptr;
};

// {type, database}: size() is the count of the type's elements, getitem(i)
// the i-th of them.
class qdbbase_set {
public:
    qdbbase_set(std::int32_t type, DbMgr* db) : type_(type), db_(db) {}
    virtual ~qdbbase_set() = default;
    std::int32_t size() const;
    void* getitem(std::int32_t i) const;
    virtual void reset_set() {}

protected:
    std::int32_t type_;
    DbMgr* db_;
};
