// The applications table: the protected applications of a database. It has
// no table file: an application is the directory "<root>/subsys/<name>",
// made by app_sync and read back at start-up. The name "actions" is
// reserved. Changes go to the other systems' copies as cache updates 'C'.
#pragma once

#include "QdbShmLayout.h"

#include <cstdio>
#include <string>

class DbMgr;

extern "C" {
// 0 or -1 (the thread's error record says why).
int app_create(const char* dest, const char* name);
int app_remove(const char* dest, const char* name);
// The application names of dbsys's database (null-ended, qdbfreeit), or
// null when there are none or the database is not present.
char** app_list(const char* dbsys);
// Makes "<root>/subsys/<name>/resources" for every application when the
// table changed (dest another system: asks it). 0 or -1.
int app_sync(const char* dest);
}

class application {
public:
    qdbshm::ElemHeader h;  // APPLIC, owning database
    ShmOff name;

    // A new record in db (no name); null when there is no room.
    static application* alloc(DbMgr* db);
    // Frees the name and the record.
    void destroy();

    // Stores the name. In the local database (copy 0) a refusal is reported;
    // in a copy a duplicate or "actions" is -1 without a report. A name that
    // could leave the subsys directory is refused everywhere (code 5).
    int create(const char* name, int copy);
    // The local removal: the application's instances and types, then its
    // directory. 0 in a copy; -1 when instances or types could not go.
    int remove();
    const char* appName() const;

    // Loads names separated by 0x01 or newlines into dbsys's database;
    // empty names and "actions" are skipped. 0 or -1.
    static int createmany(const char* dbsys, char* text, int copy);
    // Reads the entries of "<root>/subsys" into the local database (the
    // start-up's load list).
    static int app_readall();
    // The names, each but the last followed by 0x01.
    static void getall(std::string& out);
    static void print(std::FILE* out, int n, const char* text);
    static void dbgDump(std::FILE* out, const application* a);

    // The application of that name in the local database, or null with
    // error 843.
    static application* findapp(const char* name);
    // The same in db (null and no report when report is false).
    static application* findapp(const char* name, DbMgr* db, bool report);

    static int broadcastUpdate(char command, const char* name, DbMgr* db);
    // Applies one received record (from its command letter on): 0, or -1
    // empty, -2 command not 'a' or 'c', -3 nothing after it, -4 no database
    // name, -5 / -6 bad stamps, -7 a create refused, -8 no room, -9 nothing to
    // remove, -10 no such copy.
    static int updateCache(char* record);
    // The remove callback of the table descriptor: -1.
    static int app_remthis(const char* destsys, const char* record);
};
static_assert(sizeof(application) == 12);
static_assert(offsetof(application, name) == 8);
