// Handing shared resources to the other system (transfer), giving them up
// on its request (remote remove), and the composite partners that leave
// service with them.
#include "qdbrecover.h"

#include "AutoQdbLock.h"
#include "DbMgr.h"
#include "InstanceSeams.h"
#include "RecoverySets.h"
#include "RemoteAction.h"
#include "equivalency.h"
#include "flg.h"
#include "hvresource.h"
#include "qdberr.h"
#include "qdbkivra.h"
#include "qdbpaths.h"

#include <cstring>
#include <string>
#include <vector>

namespace cfgstore {

void CompositePartners(const char* tag, std::list<std::string>* out) {
    const char* local = pQdb_uname ? pQdb_uname : "";
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
    if (db == nullptr) return;
    for (const equivalency* e : equivalency::all(db)) {
        if (e->eqvTyp != COMPOSITE || !e->is_a_match(local, tag, COMPOSITE)) continue;
        const bool first = std::strcmp(e->t1(), tag) == 0 && std::strcmp(e->s1(), local) == 0;
        const char* other = first ? e->t2() : e->t1();
        if (hvresource::findres(db, other, nullptr) != nullptr) out->emplace_back(other);
    }
}

bool IsSharedLocal(const char* tag) {
    EquivalencySide other;
    const char* local = pQdb_uname ? pQdb_uname : "";
    return Seams().sharedPartner(local, tag, true, &other) || Seams().sharedPartner(local, tag, false, &other);
}

}  // namespace cfgstore

namespace {

const char* Local() { return pQdb_uname ? pQdb_uname : ""; }

// Splits "<system>\x01<tag>\x01..." (bounded) into its fields; false and a
// kept report when the text is missing or too long.
bool SplitList(const char* list, const char* caller, std::vector<std::string>* fields) {
    if (list == nullptr || *list == '\0')
        return hv_err(__FILE__, __LINE__, 23, 0, QDB_ARGS, "%s: empty request", caller), false;
    const std::size_t n = ::strnlen(list, kActionTextMax);
    if (n >= kActionTextMax)
        return hv_err(__FILE__, __LINE__, 23, 0, QDB_ARGS, "%s: request exceeds %zu characters", caller, kActionTextMax - 1),
               false;
    std::string text(list, n);
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find('\x01', start);
        std::string f = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (f.empty()) break;
        fields->push_back(f);
        if (end == std::string::npos) break;
        start = end + 1;
    }
    if (fields->empty()) return hv_err(__FILE__, __LINE__, 23, 0, QDB_ARGS, "%s: no requesting system", caller), false;
    return true;
}

}  // namespace

void qdbrecover::check_composites_to_reserve(const std::string& tag, xferlist_c& list) {
    std::list<std::string> partners;
    cfgstore::CompositePartners(tag.c_str(), &partners);
    for (const std::string& p : partners)
        if (list.add_to_list(p.c_str()) == 0) check_composites_to_reserve(p, list);
}

int qdbrecover::check_for_composites(const std::string& tag, bool withR, xferlist_c& list) {
    std::list<std::string> partners;
    cfgstore::CompositePartners(tag.c_str(), &partners);
    int rc = 0;
    for (const std::string& p : partners) {
        if (list.add_to_list(p.c_str()) != 0) continue;
        char reason[kActionTextMax];
        std::snprintf(reason, sizeof reason,
                      "shared resource \"%s\" has a composite equivalency with out-of-service shared resource \"%s\"",
                      p.c_str(), tag.c_str());
        if (remove_shared(p, reason, withR, list) != 0) rc = -1;
    }
    return rc;
}

int qdbrecover::remove_shared(const std::string& tag, const std::string& reason, bool withR, xferlist_c& list) {
    hv_err(__FILE__, __LINE__, 6, 416, "resource \"%s\" is being removed because %s\n", tag.c_str(), reason.c_str());
    const int g = qdbkivra::qdbglobact(0, "remove", nullptr);
    const int a = qdbkivra::qdbperfaction(nullptr, nullptr, tag.c_str(), "remove", const_cast<char*>(withR ? "-R" : ""),
                                          KIVRA_ALL, 1, 0);
    if (a != 0) return a;
    const int c = check_for_composites(tag, withR, list);
    return c != 0 ? c : g;
}

int qdbrecover::local_intermachine_recovery(xferlist_c& list) {
    if (flg_test(nullptr, "myrecover", 0) == 0) list.print_list("local_intermachine_recovery ENTER");
    qdberrclr();
    int rc = 0;
    // Children before parents, as the transfer of each root would go.
    for (const std::string& tag : cfgstore::PostOrderTags())
        if (local_transfer(tag, list) == -1) rc = -1;
    hv_debug(__FILE__, __LINE__, "LD.recover.myrecover", "local_intermachine_recovery: ret=%d LEAVE\n", rc);
    return rc;
}

int qdbrecover::local_transfer(const std::string& tag, xferlist_c& list) {
    hv_debug(__FILE__, __LINE__, "LD.recover.myrecover", "local_transfer: r->tag()=%s\n", tag.c_str());
    if (list.test_and_remove_from_list(tag.c_str()) != 0) return 0;
    hv_debug(__FILE__, __LINE__, "LD.recover.myrecover", "local_transfer: r->tag()=%s DO TRANSFER\n", tag.c_str());
    std::vector<cfgstore::EquivalencySide> others;
    for (const bool asPrimary : {true, false}) {
        cfgstore::EquivalencySide other;
        if (cfgstore::Seams().sharedPartner(Local(), tag.c_str(), asPrimary, &other) && other.system != Local())
            others.push_back(other);
    }
    if (others.empty()) return 0;
    int rc = 0;
    hv_err(__FILE__, __LINE__, 6, 409, "removing resource \"%s\" for transfer\n", tag.c_str());
    if (qdbkivra::qdbglobact(0, "remove", nullptr) != 0) rc = -1;
    if (qdbkivra::qdbperfaction(nullptr, nullptr, tag.c_str(), "remove", const_cast<char*>("-R"), KIVRA_ALL, 0, 0) == -1)
        qdberrcheck();
    for (const cfgstore::EquivalencySide& o : others) {
        char text[kActionTextMax];
        std::snprintf(text, sizeof text, "transferred to resource \"%s\" on machine \"%s\"", o.tag.c_str(), o.system.c_str());
        {
            AUTO_QDB_LOCK(lk);
            DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
            if (hvresource* r = db ? hvresource::findres(db, tag.c_str(), nullptr) : nullptr)
                if (r->get_state() != ILLSTATE) r->privset_state(nullptr, nullptr, r->get_state(), text);
        }
        hv_err(__FILE__, __LINE__, 6, 410, "resource \"%s\" will be %s\n", tag.c_str(), text);
        const cfgstore::RemoteActionAnswer a = cfgstore::SendRemoteAction(o.system.c_str(), '>', o.tag.c_str());
        if (a.sendRc != 0) {
            qdberrcheck();
            hv_err(__FILE__, __LINE__, 3, 411, "qdbsendremote transfer resource \"%s\" to \"%s\" on machine \"%s\" failed (rt=%d)\n",
                   tag.c_str(), o.tag.c_str(), o.system.c_str(), a.sendRc);
            rc = a.sendRc;
        } else if (!a.parsed) {
            qdberrcheck();
            hv_err(__FILE__, __LINE__, 3, 415, "qdbgetret transfer resource \"%s\" to \"%s\" on machine \"%s\" failed\n",
                   tag.c_str(), o.tag.c_str(), o.system.c_str());
            rc = -1;
        } else {
            hv_err(__FILE__, __LINE__, 6, 412, "%s", a.text.c_str());
            if (a.result != 0) {
                hv_err(__FILE__, __LINE__, 3, 414, "transfer resource \"%s\" to \"%s\" on machine \"%s\" failed\n", tag.c_str(),
                       o.tag.c_str(), o.system.c_str());
                rc = a.result;
            } else {
                hv_err(__FILE__, __LINE__, 6, 413, "transfer resource \"%s\" to \"%s\" on machine \"%s\" succeeded\n",
                       tag.c_str(), o.tag.c_str(), o.system.c_str());
            }
        }
    }
    qdberrcheck();
    return rc;
}

int qdbrecover::remote_remove(const char* list) {
    std::vector<std::string> f;
    if (!SplitList(list, "remote_remove", &f)) return -1;
    char reason[kActionTextMax];
    std::snprintf(reason, sizeof reason, "of request from machine \"%s\"", f[0].c_str());
    xferlist_c done;
    int rc = 0;
    for (std::size_t i = 1; i < f.size(); ++i) {
        const std::string& tag = f[i];
        {
            AUTO_QDB_LOCK(lk);
            DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
            hvresource* r = db ? hvresource::findres(db, tag.c_str(), nullptr) : nullptr;
            if (r == nullptr) {
                rc = hv_err(__FILE__, __LINE__, 23, 397, "attempt to remote-remove resource \"%s\" that can't be found", tag.c_str());
                continue;
            }
            if (r->get_state() == OSF || r->get_state() == OSU) continue;
            if (!cfgstore::IsSharedLocal(tag.c_str())) {
                rc = hv_err(__FILE__, __LINE__, 23, 398, "attempt to remote-remove resource \"%s\" that is not a shared resource",
                            tag.c_str());
                continue;
            }
            if (done.add_to_list(tag.c_str()) != 0) continue;
        }
        if (remove_shared(tag, reason, false, done) != 0) rc = -1;
    }
    done.remove_list();
    return rc;
}

int qdbrecover::remote_transfer(const char* list) {
    std::vector<std::string> f;
    if (!SplitList(list, "remote_transfer", &f)) return -1;
    hv_debug(__FILE__, __LINE__, "LD.recover.remote_transfer", "machine=%s reslist=%s", f[0].c_str(), list);
    int rc = 0;
    for (std::size_t i = 1; i < f.size(); ++i) {
        const std::string& tag = f[i];
        hv_debug(__FILE__, __LINE__, "LD.recover.remote_transfer", "shared_tag=%s", tag.c_str());
        {
            AUTO_QDB_LOCK(lk);
            DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
            hvresource* r = db ? hvresource::findres(db, tag.c_str(), nullptr) : nullptr;
            if (r == nullptr) {
                rc = hv_err(__FILE__, __LINE__, 23, 399, "attempt to transfer-restore resource \"%s\" that can't be found",
                            tag.c_str());
                continue;
            }
            if (hvresource::in_service(r->get_state())) continue;
            cfgstore::EquivalencySide pri;
            if (!cfgstore::Seams().sharedPartner(Local(), tag.c_str(), false, &pri)) {
                rc = hv_err(__FILE__, __LINE__, 23, 400, "attempt to transfer-restore resource \"%s\" that is not a shared resource",
                            tag.c_str());
                continue;
            }
            if (pri.system != f[0]) {
                rc = hv_err(__FILE__, __LINE__, 23, 401,
                            "attempt to transfer-restore resource \"%s\" that is not a secondary shared resource with primary "
                            "on machine \"%s\"",
                            tag.c_str(), f[0].c_str());
                continue;
            }
        }
        if (qdbkivra::qdbglobact(0, "restore", nullptr) != 0) rc = -1;
        if (qdbkivra::qdbperfaction(nullptr, nullptr, tag.c_str(), "restore", const_cast<char*>(""), KIVRA_ALL, 0, 0) != 0) {
            hv_err(__FILE__, __LINE__, 3, 417, "restore of SHARED resource \"%s\" has failed\n", tag.c_str());
            rc = -1;
            continue;
        }
        AUTO_QDB_LOCK(lk);
        DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
        hvresource* r = db ? hvresource::findres(db, tag.c_str(), nullptr) : nullptr;
        if (r && r->get_inittype() == SEC_ISP && r->set_inittype(AUTOSEC_ISP) != 0) rc = -1;
    }
    qdberrcheck();
    return rc;
}
