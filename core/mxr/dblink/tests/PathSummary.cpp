#include "PathSummary.h"

#include "AutoQdbLock.h"
#include "ShmMgr.h"
#include "flg.h"
#include "network.h"
#include "qdberr.h"
#include "systems.h"

namespace linktest {

std::string PathSummary(const std::string& other, const std::vector<std::string>& devs) {
    std::string out(1, static_cast<char>(sys_getstate(nullptr, other.c_str())));
    {
        AUTO_QDB_LOCK(lk);
        lk.lock(-1);
        for (const std::string& dev : devs) {
            const network* n = network::getnet(ShmMgr::findDbMgr(nullptr, 0), other.c_str(), dev.c_str());
            out += " " + (n ? std::string(n->getstate()) + "/" + std::to_string(n->getstat(MXRSTAT_FAILURES)) : "none");
        }
    }
    out += " " + std::to_string(flg_test(nullptr, ("!comm_down!" + other).c_str(), 0) == 0);
    qdberrclr();
    return out;
}

}  // namespace linktest
