// The frame of every cache-update record, written by each table's
// broadcastUpdate and read by its updateCache:
//
//   <table><'j'><command>[<field>]<database>\x01<old stamp>\x01<new stamp>\x01<key>[\x01<body>]
//
// where a stamp is "<secs hex>\x01<counter hex>". Sending advances the
// database's stamp; receiving checks the copy's stamp against the record's
// two stamps (DbMgr::applyStamp).
#pragma once

#include "QdbDbTime.h"

#include <ctime>
#include <string>

class DbMgr;

class CacheUpdateFrame {
public:
    // The record of one change of db made at `now`, with the letters after
    // the 'j' (command, and field where the table has one); body null: none.
    // db's stamp is advanced to the record's new stamp.
    static std::string Build(DbMgr* db, char table, const char* letters, const char* key, const char* body,
                             std::time_t now);
    // Build at the current time and hand the record to broadcastMsg on db's
    // "configuration" mailboxes. broadcastMsg's result.
    static int Send(DbMgr* db, char table, const char* letters, const char* key, const char* body);
    // The record of a table whose changes are only creations ('a') and
    // removals ('c') of a key: -1 without db, -2 for another command, else
    // Send's result.
    static int SendKeyed(DbMgr* db, char table, char command, const char* key);

    // A received record after its table letter and 'j', split in place.
    struct Record {
        char command = 0;
        char* dbName = nullptr;
        QdbDbTime before{0, 0};
        QdbDbTime after{0, 0};
        char* rest = nullptr;  // key and body
    };
    // 0, or the fault: -1 no text, -2 command not in `commands`, -3 nothing
    // after the command, -4 no 0x01 after the database name, -5 / -6 the old /
    // new stamp unreadable.
    static int Parse(char* text, const char* commands, Record* out);
};
