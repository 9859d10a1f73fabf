// The instance C functions of this table: creating, changing fields, the
// posted events and the primary-side test.
#include "AutoQdbLock.h"
#include "DbMgr.h"
#include "QdbStartup.h"
#include "ShmMgr.h"
#include "TableRecord.h"
#include "elist.h"
#include "hvresource.h"
#include "qdberr.h"
#include "qdbmes.h"

#include <cstring>
#include <string>

using cfgstore::IsLocalSystem;

namespace {

const char* Text(const char* s) { return s ? s : ""; }

// The local instance with that tag, or null with the miss reported.
hvresource* LocalByTag(AutoQdbLock& lk, const char* tag) {
    DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
    if (db == nullptr) return nullptr;
    if (tag == nullptr || *tag == '\0') {
        hv_err(__FILE__, __LINE__, 23, 894, QDB_ARGS, "must specify a resource tag");
        return nullptr;
    }
    hvresource* r = hvresource::findres(db, tag, nullptr);
    if (r == nullptr) hv_err(__FILE__, __LINE__, 23, 894, QDB_NOEXIST, "no resource instance has tag \"%s\"", tag);
    return r;
}

}  // namespace

extern "C" int ins_create(const char* system, const char* app, const char* typ, int init, const char* tag,
                          const char* id, const char* info) {
    qdbpinit();
    if (!IsLocalSystem(system))
        return qdbsendremote(nullptr, system, 'E', 'a', "%s\x01%s\x01%c\x01%s\x01%s\x01%s", Text(tag), Text(id),
                             static_cast<char>(init), Text(app), Text(typ), Text(info));
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
    if (db == nullptr) return -1;
    hvresource* r = new (*db) hvresource();
    if (r == nullptr) return hv_err(__FILE__, __LINE__, 23, 929, QDB_INT, "no room for resource \"%s\"", Text(tag));
    std::string tagCopy = Text(tag);
    if (r->create(nullptr, app, typ, init, tagCopy.data(), id, info, 0) != 0) {
        cfgstore::SavedError keep;
        delete r;
        return -1;
    }
    hvresource::broadcastUpdate('a', 0, db, r->tag(), r->app(), r->typ(), r->id(), r->info(), r->get_inittype(),
                                r->get_state(), nullptr);
    return 0;
}

extern "C" int ins_setid(const char* system, const char* tag, const char* id) {
    qdbpinit();
    if (!IsLocalSystem(system)) return qdbsendremote(nullptr, system, 'E', 'f', "I%s\x01%s", Text(tag), Text(id));
    AUTO_QDB_LOCK(lk);
    hvresource* r = LocalByTag(lk, tag);
    return r ? r->set_id(id) : -1;
}

extern "C" int ins_setinfo(const char* system, const char* tag, const char* info) {
    qdbpinit();
    if (!IsLocalSystem(system)) return qdbsendremote(nullptr, system, 'E', 'f', "f%s\x01%s", Text(tag), Text(info));
    AUTO_QDB_LOCK(lk);
    hvresource* r = LocalByTag(lk, tag);
    return r ? r->set_info(info) : -1;
}

extern "C" int ins_setstate(const char* system, const char* tag, int st, const char* reason) {
    qdbpinit();
    if (!IsLocalSystem(system))
        return qdbsendremote(nullptr, system, 'E', 'f', "s%c%s\x01%s", static_cast<char>(st), Text(tag), Text(reason));
    AUTO_QDB_LOCK(lk);
    hvresource* r = LocalByTag(lk, tag);
    return r ? r->privset_state(nullptr, nullptr, st, reason) : -1;
}

extern "C" int ins_setinit(const char* system, const char* tag, int init) {
    qdbpinit();
    if (!IsLocalSystem(system)) return qdbsendremote(nullptr, system, 'E', 'f', "i%c%s", static_cast<char>(init), Text(tag));
    AUTO_QDB_LOCK(lk);
    hvresource* r = LocalByTag(lk, tag);
    return r ? r->set_inittype(init) : -1;
}

extern "C" int post_event(const char* id, const char* evclass, const char* evtype, int timeout) {
    qdbpinit();
    if (evclass == nullptr) return hv_err(__FILE__, __LINE__, 23, 908, QDB_ARGS, "event class must not be NULL");
    if (evtype == nullptr) return hv_err(__FILE__, __LINE__, 23, 909, QDB_ARGS, "event type must not be NULL");
    // Class and type become fields of the instance's table line.
    if (testctrl(__FILE__, __LINE__, evclass) || testctrl(__FILE__, __LINE__, evtype)) return -1;
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
    hvresource* r = hvresource::findres(db, nullptr, id);
    if (r == nullptr) return 2;
    if (!r->created())
        return hv_err(__FILE__, __LINE__, 23, 910, QDB_ARGS, "must define object first with ::create() or ::fill()");
    const int rc = elist::postevent(db, &r->eventsOff, evclass, evtype, timeout);
    if (rc == 0) r->changed();
    return rc;
}

extern "C" int clear_events(const char* id) {
    qdbpinit();
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
    hvresource* r = hvresource::findres(db, nullptr, id);
    if (r == nullptr)
        return hv_err(__FILE__, __LINE__, 23, 912, QDB_NOEXIST, "no resource instance has identifier \"%s\"", Text(id));
    if (!r->created())
        return hv_err(__FILE__, __LINE__, 23, 912, QDB_ARGS, "must define object first with ::create() or ::fill()");
    elist::clearevents(&r->eventsOff);
    r->changed();
    return 0;
}

extern "C" int list_events(void* instance, const char* id, char* buf) {
    qdbpinit();
    if (buf == nullptr) return hv_err(__FILE__, __LINE__, 23, 913, QDB_ARGS, "buffer pointer is NULL");
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
    auto* r = static_cast<hvresource*>(instance);
    std::string text;
    if (r == nullptr) {
        r = hvresource::findres(db, nullptr, id);
        if (r == nullptr)
            return hv_err(__FILE__, __LINE__, 23, 914, QDB_NOEXIST, "no resource instance has identifier \"%s\"", Text(id));
        text = std::string("resource tag=") + r->tag() + " idnam=" + r->id() + " recovery events posted:\n";
    }
    if (!r->created())
        return hv_err(__FILE__, __LINE__, 23, 914, QDB_ARGS, "must define object first with ::create() or ::fill()");
    if (elist::listevents(&r->eventsOff, text) != 0) return -1;
    std::memcpy(buf, text.c_str(), text.size() + 1);
    return 0;
}

extern "C" int is_on_primary(const char* tag, char* buf) {
    qdbpinit();
    if (tag == nullptr || *tag == '\0')
        return hv_err(__FILE__, __LINE__, 23, 891, QDB_ARGS, "is_on_primary: tag name can't be NULL");
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
    if (hvresource::findres(db, tag, nullptr) == nullptr)
        return hv_err(__FILE__, __LINE__, 23, 923, QDB_NOEXIST, "can't find resource with tag \"%s\"", tag);
    for (hvresource* r : hvresource::listed(db)) {
        bool saw = false;
        const int side = r->am_i_on_primary(tag, buf, &saw);
        if (saw && side >= 0) return side;
    }
    return hv_err(__FILE__, __LINE__, 23, 924, QDB_ARGS,
                  "no resource has an equivalency in resource hierarchy containing resource with tag \"%s\"", tag);
}
