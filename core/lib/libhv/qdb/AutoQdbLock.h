// The scoped holder of the database lock: released when it goes out of
// scope. getDbMgr also finds a database under the lock and tries again,
// with a random back-off, while that database is busy (being loaded).
#pragma once

class DbMgr;

class AutoQdbLock {
public:
    AutoQdbLock(const char* file, int line) : held(0), file_(file), line_(line) {}
    ~AutoQdbLock() { release(); }
    AutoQdbLock(const AutoQdbLock&) = delete;
    AutoQdbLock& operator=(const AutoQdbLock&) = delete;

    // Waits seconds x 1024 ms (negative: without end). qdbgetlock's result.
    int lock(int seconds);
    void release();
    // The database of system `name` with the lock held, or null with the
    // lock released: not found, or still busy when the tries or the time
    // (tries x seconds; seconds < 0: no limit) are used up. The caller's
    // error number and text are kept as they were.
    DbMgr* getDbMgr(const char* name, int seconds, int tries, int load);

    int held;

private:
    const char* file_;
    int line_;
};

#define AUTO_QDB_LOCK(var) AutoQdbLock var(__FILE__, __LINE__)
