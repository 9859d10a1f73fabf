#include "RemoteAction.h"

#include "qdbkivra.h"
#include "qdberr.h"
#include "qdbmes.h"
#include "qdbpaths.h"

#include <cstring>
#include <memory>

namespace cfgstore {

RemoteActionAnswer SendRemoteAction(const char* system, char command, const char* tag) {
    RemoteActionAnswer a;
    const char* local = pQdb_uname ? pQdb_uname : "";
    if (std::strlen(local) + std::strlen(tag) + 2 > kActionTextMax) {
        a.sendRc = hv_err(__FILE__, __LINE__, 23, 0, QDB_ARGS, "request for resource \"%.64s...\" exceeds %zu characters",
                          tag, kActionTextMax - 1);
        return a;
    }
    std::unique_ptr<char[]> reply(new char[kQdbMesMax]);
    reply[0] = '\0';
    a.sendRc = qdbsendremote(reply.get(), system, '@', command, "%s\x01%s", local, tag);
    if (a.sendRc != 0) return a;
    int rc = 0;
    if (qdbgetret(reply.get(), nullptr, &rc) != 0) return a;
    a.parsed = true;
    a.result = rc;
    a.text = reply.get();
    return a;
}

}  // namespace cfgstore
