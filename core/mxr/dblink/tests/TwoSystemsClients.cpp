#include "TwoSystemsClients.h"

#include "AutoQdbLock.h"
#include "LinkSystemFixture.h"
#include "ShmMgr.h"
#include "flg.h"
#include "network.h"
#include "qdberr.h"
#include "systems.h"

#include <algorithm>
#include <cstdlib>

namespace linktest {

namespace {

void Enter(const SystemEnv& env) {
    for (const auto& [k, v] : env) ::setenv(k.c_str(), v.c_str(), 1);
}

std::string Summary(const std::string& other, const std::vector<std::string>& devs) {
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

}  // namespace

std::string WaitPathSummary(const SystemEnv& env, const std::string& other, const std::vector<std::string>& devs,
                            const std::vector<std::string>& wants, int ms) {
    return qdbfixture::ClientNote([&] { Enter(env); },
                                  [&] {
                                      std::string got;
                                      for (int i = 0; i < ms / 20; ++i) {
                                          got = Summary(other, devs);
                                          if (std::find(wants.begin(), wants.end(), got) != wants.end()) break;
                                          ::usleep(20000);
                                      }
                                      return got;
                                  });
}

std::string CreatePathsAndSync(const SystemEnv& env, const std::string& other, const std::vector<std::string>& devs) {
    return qdbfixture::ClientNote([&] { Enter(env); },
                                  [&] {
                                      std::string out;
                                      for (const std::string& dev : devs)
                                          out += std::to_string(net_create(nullptr, other.c_str(), dev.c_str(), 'l', 0,
                                                                           1, 1, 2));
                                      return out + std::to_string(net_sync(nullptr));
                                  });
}

std::string RemovePathWithin(const SystemEnv& env, const std::string& other, const std::string& dev, int ms) {
    GatedClient remover([&] { return std::to_string(net_remove(nullptr, other.c_str(), dev.c_str())); },
                        [&] { Enter(env); });
    if (!remover.Ready(20000)) return "not started";
    remover.Go();
    if (!remover.EndedWithin(ms)) return "no end";
    return remover.Note();
}

}  // namespace linktest
