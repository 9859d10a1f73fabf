// The resource-types table: the types of each application. A type is the
// directory "<root>/subsys/<app>/resources/<type>" (with its recovery
// subdirectory) that holds its action scripts and its instances file. Keys
// and cache-update keys are "<app>\x01<type>"; changes go to the other
// systems' copies as cache updates 'D'.
#pragma once

#include "QdbShmLayout.h"

#include <cstdio>
#include <string>

class DbMgr;

extern "C" {
int typ_create(const char* dest, const char* application, const char* type);
int typ_remove(const char* dest, const char* application, const char* type);
// With an application: its type names; without: "<app><sep><type>" (sep 0
// means 0x01). Null-ended, qdbfreeit; null when none.
char** typ_list(const char* dbsys, const char* application, int sep);
int typ_sync(const char* dest);
}

class resource_type {
public:
    qdbshm::ElemHeader h;  // RESTYPE, owning database
    ShmOff appName;
    ShmOff typName;
    std::int32_t inschanged;  // set by every change of one of its instances

    static resource_type* alloc(DbMgr* db);
    void destroy();

    // Stores both names; in the local database (copy 0) the application
    // must exist and refusals are reported, in a copy a duplicate is -1
    // without a report. Unsafe names are refused everywhere (code 5).
    int create(const char* application, const char* type, int copy);
    const char* app() const;
    const char* typ() const;

    // Loads the type names (separated by 0x01 or newlines) of application
    // into dbsys's database. 0 or -1.
    static int createmany(const char* dbsys, const char* application, char* text, int copy);
    // Reads "<root>/subsys/<app>/resources" for every application of the
    // local database (the start-up's load list, after the applications).
    static int typ_readall();
    // Per application one line: the application, then 0x01 and each type.
    static void getall(std::string& out);
    // Loads getall's text into dbsys's database. 0 or -1.
    static int loadall(const char* dbsys, char* text, int copy);
    static void print(std::FILE* out, int n, const char* text);
    static void dbgDump(std::FILE* out, const resource_type* t);

    // The type in db (null: the local database), or null with error 1056.
    static resource_type* findtyp(const char* application, const char* type, DbMgr* db);
    // The same without a report.
    static resource_type* find(DbMgr* db, const char* application, const char* type);

    static int broadcastUpdate(char command, const char* key, DbMgr* db);
    // As application::updateCache, and -7 also for a key without 0x01.
    static int updateCache(char* record);
    static int typ_remthis(const char* destsys, const char* record);
};
static_assert(sizeof(resource_type) == 20);
static_assert(offsetof(resource_type, appName) == 8);
static_assert(offsetof(resource_type, inschanged) == 16);
