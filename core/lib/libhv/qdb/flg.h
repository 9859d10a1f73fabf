// The flags table: named flags per database, markers between processes and
// systems, and the administration lock of actions (the wait flags, whose
// names begin with "!action!"). Stored in config/flg, one name per line.
#pragma once

#include "QdbShmLayout.h"

#include <cstddef>
#include <cstdio>
#include <string>
#include <sys/types.h>

class DbMgr;

extern "C" {
// 0 or -1 (the thread's error record says why).
int flg_create(const char* dest, const char* name);
int flg_remove(const char* dest, const char* name);
// 0 when the flag exists in dbsys's database (null: the local one), 1 when
// it does not, -1 on a bad call or without a segment. mode nonzero also
// lets stored names "x*" match by prefix and "*x" by suffix.
int flg_test(const char* dbsys, const char* name, int mode);
// The flag names of dbsys's database (null-ended, freed with qdbfreeit),
// null when there are none.
char** flg_list(const char* dbsys);
// Writes config/flg when the table changed (dest another system: asks it).
int flg_sync(const char* dest);
}

class flg {
public:
    qdbshm::ElemHeader h;  // FLG, owning database
    ShmOff name;

    // A new record in db (name none); null when there is no room.
    static flg* alloc(DbMgr* db);
    // Frees the name and the record.
    void destroy();

    // Stores the name. copy 0 in the local database: a duplicate is error
    // 293 and a new flag marks the table changed; in a copy (copy flag 1 or
    // another system's database) a duplicate is -1 without a report.
    int create(const char* name, int copy);
    const char* flgName() const;

    // The flag of that name in db, or null.
    static flg* find(DbMgr* db, const char* name);
    // Loads the table text (one name a line) into dbsys's database. 0 or -1.
    static int createmany(const char* dbsys, char* text, int copy);
    // Reads config/flg into the local database. 0 or -1.
    static int flg_readall();
    // The table text of the local database, appended to out.
    static void getall(std::string& out);
    static void dbgDump(std::FILE* out, const flg* f);

    // Sends the 'a' or 'c' cache update of name for db; broadcastMsg's
    // result, -1 without db, -2 for another command.
    static int broadcastUpdate(char command, const char* name, DbMgr* db);
    // Applies one received record (from its command letter on): 0, or -1
    // empty, -2 bad command, -3 nothing after it, -4 no database name, -5 / -6
    // bad stamps, -7 no flag name, -8 a flag to create that cannot be, -9 a
    // flag to remove that is not there, -10 no such copy. The stamp rule runs
    // after every applied or refused change.
    static int updateCache(char* record);

    // The administration lock of actions: one process at a time, in the
    // order of their wait flags, nesting within a process. nameOut (at
    // least 256 bytes) receives the wait flag's name. 0, or -1 / an error.
    static int wait_for_action(const char* text, char* nameOut, pid_t pid, const char* unused);
    static int action_has_finished(const char* text);
    // The lock's clock (seconds) that stamps wait flags and tells when a
    // flag's second is over, and a watcher told of each look that found the
    // caller still behind an older flag (pass: the looks so far). nullptr
    // puts back the real clock, or no watcher. For the process's own calls.
    static void setActionClock(unsigned long (*now)(), void (*stillBehind)(int pass));
};
static_assert(sizeof(flg) == 12);
