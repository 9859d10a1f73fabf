// The instance table's cache updates: the record of one local change, and
// applying a received one to the copy it names.
#include "AutoQdbLock.h"
#include "CacheUpdateFrame.h"
#include "DbMgr.h"
#include "InsCacheUpdate.h"
#include "hvresource.h"

#include <memory>
#include <string>

int hvresource::broadcastUpdate(mcommands_t cmd, minsfields_t field, DbMgr* db, const char* tg, const char* a,
                                const char* t, const char* ident, const char* inf, init_type init, state st,
                                const char* reason) {
    if (db == nullptr) return -1;
    if (cmd != 'a' && cmd != 'c' && cmd != 'f') return -2;
    const char letters[3] = {cmd, cmd == 'f' ? field : '\0', '\0'};
    std::string body;
    switch (cmd) {
    case 'a':
        body = std::string(ident ? ident : "") + '\x01' + static_cast<char>(init) + (a ? a : "") + '\x01' + (t ? t : "") +
               '\x01' + (inf ? inf : "");
        break;
    case 'f':
        switch (field) {
        case 'I': body = ident ? ident : ""; break;
        case 'f': body = inf ? inf : ""; break;
        case 'i': body = std::string(1, static_cast<char>(init)); break;
        case 's': body = std::string(1, static_cast<char>(st)) + (reason ? reason : ""); break;
        default: return -2;
        }
        break;
    default: break;
    }
    return CacheUpdateFrame::Send(db, 'E', letters, tg, cmd == 'c' ? nullptr : body.c_str());
}

int hvresource::updateCache(char* text) {
    if (text == nullptr || *text == '\0') return -11;
    const char command = text[0];
    const char field = command == 'f' ? text[1] : '\0';
    if (command == 'f' && field == '\0') return -11;
    std::unique_ptr<InsCacheUpdate> rec(InsCacheUpdate::make(command, field, text + (command == 'f' ? 2 : 1)));
    if (!rec) return -11;
    if (rec->status() != 0) return rec->status();
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(rec->dbName(), -1, 1000, 0);
    // Only copies follow records: no peer changes the local database.
    if (db == nullptr || db->islocal()) return -2;
    const int status = rec->apply(db);
    if (rec->stale())
        db->tStamp = QdbDbTime{0, 0};
    else
        db->applyStamp(rec->oldStamp(), rec->newStamp());
    return status;
}
