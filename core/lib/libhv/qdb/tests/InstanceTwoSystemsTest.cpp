// Applications, resource types and instances across two systems joined by
// the relay: requests for the other system, and the other system's copy
// loaded once and then kept by the cache records of every change.
#include "TwoSystemsFixture.h"
#include "application.h"
#include "hvresource.h"
#include "qdberr.h"
#include "qdbfile.h"
#include "resource_type.h"
#include "systems.h"

#include <gtest/gtest.h>

#include <string>
#include <unistd.h>

namespace {

class InstanceTwoSystems : public qdbfixture::TwoSystemsFixture {};

// NODEB's copy of NODEA: loaded once through NODEA's cache server, then
// kept by the records NODEA sends for every change of an instance.
TEST_F(InstanceTwoSystems, AnInstanceCreatedChangedAndRemovedOnAFollowsInBsCopy) {
    // NODEA's copy of an instance, as "state|info" ("none" when absent),
    // once it reads `want` (at most 10 s).
    auto copyOnB = [&](const std::string& want) {
        return ClientOfB([want] {
            std::string seen;
            for (int i = 0; i < 100; ++i) {
                hvresource* r = hvresource::findins(0, const_cast<char*>("ip1"), nullptr, "NODEA");
                seen = r ? std::string(hvresource::convstate(r->get_state())) + "|" + r->info() : "none";
                qdberrclr();
                if (seen == want) break;
                ::usleep(100000);
            }
            return seen;
        });
    };
    EXPECT_EQ(ClientOfB([] {
                  std::string out = Result(sys_create(nullptr, "NODEA"));
                  return out + Result(sys_setstate(nullptr, "NODEA", 'A', "peer"));
              }),
              "0/00/0");
    EXPECT_EQ(ClientOfA([] {
                  std::string out = Result(sys_create(nullptr, "NODEB"));
                  out += Result(sys_setstate(nullptr, "NODEB", 'A', "peer"));
                  out += Result(app_create(nullptr, "web"));
                  out += Result(typ_create(nullptr, "web", "ip"));
                  out += Result(ins_create(nullptr, "web", "ip", 'I', "ip1", "10.0.0.1", "eth0"));
                  // A create for NODEB is made there.
                  out += Result(app_create("NODEB", "crm"));
                  out += Result(typ_create("NODEB", "crm", "db"));
                  out += Result(typ_create("NODEB", "crm", "fs"));
                  out += Result(typ_remove("NODEB", "crm", "fs"));
                  return out + Result(app_create("NODEB", "../x"));
              }),
              "0/00/00/00/00/00/00/00/00/0-1/5");
    // The first read loads the whole copy.
    EXPECT_EQ(copyOnB("OSU|eth0"), "OSU|eth0");
    EXPECT_EQ(ClientOfA([] {
                  std::string out = Result(ins_setstate(nullptr, "ip1", 'i', "up"));
                  return out + Result(ins_setinfo(nullptr, "ip1", "eth1"));
              }),
              "0/00/0");
    EXPECT_EQ(copyOnB("ISU|eth1"), "ISU|eth1");
    EXPECT_EQ(ClientOfA([] { return Result(app_remove(nullptr, "web")); }), "0/0");
    EXPECT_EQ(copyOnB("none"), "none");
    // What NODEA asked of NODEB was done there.
    EXPECT_EQ(ClientOfB([] {
                  char** types = typ_list(nullptr, nullptr, ':');
                  std::string out;
                  for (char** p = types; p && *p; ++p) out += std::string(*p) + ",";
                  for (char** p = types; p && *p; ++p) qdbfreeit(*p);
                  qdbfreeit(types);
                  return out;
              }),
              "crm:db,");
    EXPECT_NE(Out(daemons_["NODEB"]).find("qdb: cache update 'E' result 0"), std::string::npos) << Out(daemons_["NODEB"]);
}

}  // namespace
