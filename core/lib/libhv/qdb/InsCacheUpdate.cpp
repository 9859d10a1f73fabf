#include "InsCacheUpdate.h"

#include "DbMgr.h"
#include "InstanceSeams.h"
#include "ShmList.h"
#include "TableRecord.h"
#include "elist.h"
#include "qdberr.h"

#include <cstring>

namespace {

// Texts that become fields of a table line hold no control characters.
bool Clean(const char* text) {
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p)
        if (*p < 0x20 || *p == 0x7F) return false;
    return true;
}

// True when a dependency record of db involves r: r depends on something,
// or something depends on r.
bool InDependency(DbMgr* db, hvresource* r) {
    if (r->depsOff >= 0) return true;
    for (hvresource* x : hvresource::listed(db))
        for (hvresource* b : x->below())
            if (b == r) return true;
    return false;
}

}  // namespace

InsCacheUpdate::InsCacheUpdate(char command, char* text) : pos_(text), command_(command) {
    if (text == nullptr || *text == '\0') {
        fault(-2);
        return;
    }
    dbName_ = field();
    const char* q = pos_ ? before_.parseStrict(pos_) : nullptr;
    q = q ? after_.parseStrict(q) : nullptr;
    if (dbName_ == nullptr || *dbName_ == '\0' || q == nullptr) {
        fault(-4);
        return;
    }
    pos_ = const_cast<char*>(q);
    tag_ = field();
    if (tag_ == nullptr || *tag_ == '\0') fault(-3);
}

char* InsCacheUpdate::field() {
    if (pos_ == nullptr) return nullptr;
    char* start = pos_;
    char* sep = std::strchr(pos_, '\x01');
    if (sep != nullptr) {
        *sep = '\0';
        pos_ = sep + 1;
    } else {
        pos_ = nullptr;
    }
    return start;
}

char* InsCacheUpdate::rest() {
    char* start = pos_;
    pos_ = nullptr;
    return start;
}

hvresource* InsCacheUpdate::findTag(DbMgr* db) const { return hvresource::findres(db, tag_, nullptr); }

InsCacheUpdate* InsCacheUpdate::make(char command, char f, char* text) {
    switch (command) {
    case 'a': return new InsCacheCreate(text);
    case 'c': return new InsCacheRemove(text);
    case 'f':
        switch (f) {
        case 'I': return new InsCacheSetId(text);
        case 'f': return new InsCacheSetInfo(text);
        case 'i': return new InsCacheSetInit(text);
        case 's': return new InsCacheSetState(text);
        default: return nullptr;
        }
    default: return nullptr;
    }
}

InsCacheCreate::InsCacheCreate(char* text) : InsCacheUpdate('a', text) {
    if (status_ != 0) return;
    id_ = field();
    if (id_ == nullptr || *id_ == '\0' || !Clean(id_)) { fault(-8); return; }
    char* initApp = field();
    if (initApp == nullptr || *initApp == '\0') { fault(-5); return; }
    init_ = static_cast<unsigned char>(*initApp);
    if (!IsInitType(init_)) { fault(-5); return; }
    app_ = initApp + 1;
    if (*app_ == '\0') { fault(-9); return; }
    typ_ = field();
    if (typ_ == nullptr || *typ_ == '\0') { fault(-10); return; }
    info_ = rest();
    if (info_ == nullptr || !Clean(info_)) fault(-7);
}

int InsCacheCreate::apply(DbMgr* db) {
    if (hvresource::findres(db, tag_, nullptr) != nullptr || hvresource::findres(db, nullptr, id_) != nullptr)
        return status_ = 13;
    const int before = Qdb_errno;
    hvresource* r = new (*db) hvresource();
    if (r == nullptr || r->create(dbName_, app_, typ_, init_, tag_, id_, info_, 1) != 0) {
        delete r;
        if (before == 0) qdberrclr();
        return status_ = -14;
    }
    return status_;
}

int InsCacheRemove::apply(DbMgr* db) {
    hvresource* r = findTag(db);
    if (r == nullptr) return status_ = -12;
    // Taking out an instance that dependency records still name would leave
    // them pointing at a freed element: the copy is reloaded instead.
    if (InDependency(db, r)) {
        stale_ = true;
        return status_;
    }
    elist::clearevents(&r->eventsOff);
    ShmList::sever(&db->roots, r->tag());
    delete r;
    return status_;
}

InsCacheSetId::InsCacheSetId(char* text) : InsCacheUpdate('f', text) {
    if (status_ != 0) return;
    text_ = rest();
    if (text_ == nullptr || *text_ == '\0' || !Clean(text_)) fault(-8);
}

int InsCacheSetId::apply(DbMgr* db) {
    hvresource* r = findTag(db);
    if (r == nullptr) return status_ = -12;
    cfgstore::SetRecordText(db, &r->idOff, text_);
    return status_;
}

InsCacheSetInfo::InsCacheSetInfo(char* text) : InsCacheUpdate('f', text) {
    if (status_ != 0) return;
    text_ = rest();
    if (text_ == nullptr || !Clean(text_)) fault(-7);
}

int InsCacheSetInfo::apply(DbMgr* db) {
    hvresource* r = findTag(db);
    if (r == nullptr) return status_ = -12;
    cfgstore::SetRecordText(db, &r->infoOff, text_);
    return status_;
}

InsCacheSetInit::InsCacheSetInit(char* text) : InsCacheUpdate('f', text) {
    if (status_ != 0) return;
    char* t = rest();
    if (t == nullptr || *t == '\0') { fault(-5); return; }
    init_ = static_cast<unsigned char>(*t);
    if (!IsInitType(init_)) fault(-5);
}

int InsCacheSetInit::apply(DbMgr* db) {
    hvresource* r = findTag(db);
    if (r == nullptr) return status_ = -12;
    r->inittype = init_;
    return status_;
}

InsCacheSetState::InsCacheSetState(char* text) : InsCacheUpdate('f', text) {
    if (status_ != 0) return;
    char* t = rest();
    if (t == nullptr || *t == '\0') { fault(-6); return; }
    state_ = static_cast<unsigned char>(*t);
    reason_ = t + 1;
    if (!IsInstanceState(state_) || !Clean(reason_)) fault(-6);
}

int InsCacheSetState::apply(DbMgr* db) {
    hvresource* r = findTag(db);
    if (r == nullptr) return status_ = -12;
    r->resstate = state_;
    cfgstore::SetRecordText(db, &r->descrOff, reason_);
    return status_;
}
