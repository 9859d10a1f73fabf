#include "FailoverClients.h"

#include "OwnerScripts.h"
#include "QdbDaemonFixture.h"
#include "hvresource.h"
#include "qdbkivra.h"

#include <cstdlib>
#include <unistd.h>

namespace failovertest {

namespace {

void Enter(const linktest::SystemEnv& env) {
    for (const auto& [k, v] : env) ::setenv(k.c_str(), v.c_str(), 1);
}

std::string States() { return ownertest::StatesAndInits({"S", "T"}); }

}  // namespace

std::string WaitStates(const linktest::SystemEnv& env, const std::string& want, int ms) {
    return qdbfixture::ClientNote([&] { Enter(env); },
                                  [&] {
                                      std::string got;
                                      for (int i = 0; i < ms / 50; ++i) {
                                          got = States();
                                          if (got == want) break;
                                          ::usleep(50000);
                                      }
                                      return got;
                                  });
}

std::string Restore(const linktest::SystemEnv& env, const char* tag, const char* args) {
    return qdbfixture::ClientNote([&] { Enter(env); },
                                  [&] {
                                      return std::to_string(perfaction(const_cast<char*>(tag), 0,
                                                                       const_cast<char*>("restore"),
                                                                       const_cast<char*>(args), KIVRA_ALL, 0));
                                  });
}

}  // namespace failovertest
