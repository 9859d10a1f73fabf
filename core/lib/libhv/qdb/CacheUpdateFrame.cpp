#include "CacheUpdateFrame.h"

#include "DbMgr.h"
#include "qdbmes.h"
#include "qdbpaths.h"

#include <cstring>

std::string CacheUpdateFrame::Build(DbMgr* db, char table, const char* letters, const char* key, const char* body,
                                    std::time_t now) {
    // The old stamp is copied before the new one is formatted.
    const QdbDbTime before = db->tStamp;
    const QdbDbTime after = before.next(now);
    const char* name = db->dbName();
    std::string rec;
    rec += table;
    rec += 'j';
    rec += letters ? letters : "";
    rec += name ? name : "";
    rec += '\x01';
    rec += before.text();
    rec += '\x01';
    rec += after.text();
    rec += '\x01';
    rec += key ? key : "";
    if (body != nullptr) {
        rec += '\x01';
        rec += body;
    }
    db->tStamp = after;
    return rec;
}

int CacheUpdateFrame::Send(DbMgr* db, char table, const char* letters, const char* key, const char* body) {
    const std::string rec = Build(db, table, letters, key, body, std::time(nullptr));
    return broadcastMsg(db, rec.c_str(), gps(kPathDaemonMailbox));
}

int CacheUpdateFrame::SendKeyed(DbMgr* db, char table, char command, const char* key) {
    if (db == nullptr) return -1;
    if (command != 'a' && command != 'c') return -2;
    const char letters[2] = {command, '\0'};
    return Send(db, table, letters, key, nullptr);
}

int CacheUpdateFrame::Parse(char* text, const char* commands, Record* out) {
    if (text == nullptr || *text == '\0') return -1;
    if (std::strchr(commands, *text) == nullptr) return -2;
    out->command = *text;
    char* p = text + 1;
    if (*p == '\0') return -3;
    char* sep = std::strchr(p, '\x01');
    if (sep == nullptr) return -4;
    *sep = '\0';
    out->dbName = p;
    const char* q = out->before.parseStrict(sep + 1);
    if (q == nullptr) return -5;
    q = out->after.parseStrict(q);
    if (q == nullptr) return -6;
    out->rest = const_cast<char*>(q);
    return 0;
}
