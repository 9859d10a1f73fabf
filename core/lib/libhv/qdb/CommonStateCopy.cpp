// The daemon's handler of a state copied over a COMMON equivalency:
// "C<state><tag>\x01<reason>\x01<sender system>\x01<sender tag>".
#include "AutoQdbLock.h"
#include "DbMgr.h"
#include "InstanceSeams.h"
#include "hvresource.h"
#include "qdberr.h"
#include "qdbfile.h"
#include "qdbmes.h"

#include <cstring>
#include <string>

int updatestate_common(const MessagePtr& request, char* text) {
    char* p = text && *text == 'C' ? text + 1 : text;
    const state want = (p && *p) ? static_cast<unsigned char>(*p++) : ILLSTATE;
    char *tag = nullptr, *reason = nullptr, *fromSys = nullptr, *fromTag = nullptr;
    p = qdbstrscan(p, &tag, nullptr);
    p = qdbstrscan(p, &reason, nullptr);
    p = qdbstrscan(p, &fromSys, nullptr);
    qdbstrscan(p, &fromTag, nullptr);
    state now = ILLSTATE;
    bool found = false;
    std::string tagCopy = tag;
    {
        AUTO_QDB_LOCK(lk);
        DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
        hvresource* r = db ? hvresource::findres(db, tag, nullptr) : nullptr;
        if (r == nullptr)
            hv_err(__FILE__, __LINE__, 23, 956, QDB_NOEXIST, "no resource instance has tag \"%s\"", tag);
        else
            now = r->get_state();
        found = r != nullptr;
    }
    // The requester is answered at once; the change follows.
    qdbsenderr(request);
    if (!found) {
        qdberrclr();
        return -1;
    }
    if (now == OSF) {
        if (*fromSys && *fromTag)
            hv_err(__FILE__, __LINE__, 23, 957, QDB_ARGS,
                   "attempt to change state of resource \"%s\" from OSF state to the %s state from COMMON equivalent "
                   "resource \"%s\" on machine \"%s\"",
                   tag, hvresource::convstate(want), fromTag, fromSys);
        else
            hv_err(__FILE__, __LINE__, 23, 956, QDB_ARGS,
                   "attempt to change state of resource \"%s\" from OSF state to the %s state from COMMON equivalency",
                   tag, hvresource::convstate(want));
        return -1;
    }
    if (hvresource::in_service(now) && (want == OSF || want == OSU))
        return cfgstore::Seams().perfaction(tagCopy.c_str(), "remove", nullptr);
    if (now == OSU && hvresource::in_service(want))
        return cfgstore::Seams().perfaction(tagCopy.c_str(), "restore", nullptr);
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
    hvresource* r = db ? hvresource::findres(db, tagCopy.c_str(), nullptr) : nullptr;
    if (r == nullptr) return -1;
    return r->privset_state(fromSys, fromTag, want, reason);
}
