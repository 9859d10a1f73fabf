#include "TwoSystemsClients.h"

#include "PathSummary.h"

#include "LinkSystemFixture.h"
#include "network.h"

#include <algorithm>
#include <cstdlib>

namespace linktest {

namespace {

void Enter(const SystemEnv& env) {
    for (const auto& [k, v] : env) ::setenv(k.c_str(), v.c_str(), 1);
}

}  // namespace

std::string WaitPathSummary(const SystemEnv& env, const std::string& other, const std::vector<std::string>& devs,
                            const std::vector<std::string>& wants, int ms) {
    return qdbfixture::ClientNote([&] { Enter(env); },
                                  [&] {
                                      std::string got;
                                      for (int i = 0; i < ms / 20; ++i) {
                                          got = PathSummary(other, devs);
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
