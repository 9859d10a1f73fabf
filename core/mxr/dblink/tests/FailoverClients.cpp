#include "FailoverClients.h"

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

std::string States() {
    std::string got;
    for (const char* t : {"S", "T"}) {
        hvresource* r = hvresource::findins(0, const_cast<char*>(t), nullptr, nullptr);
        got += std::string(got.empty() ? "" : ",") + t + "=" +
               (r ? std::string(hvresource::convstate(r->get_state())) + "/" + hvresource::convinit(r->get_inittype())
                  : "none");
    }
    return got;
}

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
