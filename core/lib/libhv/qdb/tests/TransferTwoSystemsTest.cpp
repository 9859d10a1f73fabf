// Recovery across two systems joined by the relay: T on S on each, S a
// SHARED resource with its primary on NODEA. A failed recovery script on
// NODEA hands the hierarchy to NODEB (NODEA's remove scripts first, parents
// first; NODEB's restore asks NODEA back for a remote remove while NODEA's
// transfer waits); a succeeding one keeps it on NODEA.
#include "OwnerScripts.h"
#include "TwoSystemsFixture.h"
#include "application.h"
#include "dependency.h"
#include "equivalency.h"
#include "hvresource.h"
#include "qdbkivra.h"
#include "qdbrecover.h"
#include "resource_type.h"
#include "network.h"
#include "systems.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

class TransferTwoSystems : public qdbfixture::TwoSystemsFixture {
protected:
    std::string Shared() const { return dirA_.Path(); }
    void Prepare() {
        namespace fs = std::filesystem;
        for (const qdbfixture::System* s : {&a_, &b_}) {
            fs::create_directories(s->root + "/subsys/app1/actions");
            for (const char* action : {"restore", "remove"}) {
                const std::string path = s->root + "/subsys/app1/actions/" + action + ".ksh";
                std::ofstream(path) << ownertest::ActionScript(Shared(), s->name, action);
                fs::permissions(path, fs::perms::owner_all);
            }
        }
        const std::string rec = a_.root + "/subsys/app1/resources/typ2/recovery/hw";
        fs::create_directories(rec);
        std::ofstream(rec + "/down") << "#!/bin/sh\necho \"NODEA recover $*\" >> '" << Shared()
                                     << "/journal'\n[ -e '" << Shared() << "/fail.recover' ] && exit 1\nexit 0\n";
        fs::permissions(rec + "/down", fs::perms::owner_all);
        auto setUp = [](const char* other, char init) {
            std::string out = Result(sys_create(nullptr, other));
            out += Result(sys_setstate(nullptr, other, 'A', "peer"));
            out += Result(app_create(nullptr, "app1"));
            out += Result(typ_create(nullptr, "app1", "typ1"));
            out += Result(typ_create(nullptr, "app1", "typ2"));
            out += Result(ins_create(nullptr, "app1", "typ1", init, "T", "id-T", ""));
            out += Result(ins_create(nullptr, "app1", "typ2", init, "S", "id-S", ""));
            return out + Result(dep_create(nullptr, "T", "S"));
        };
        ASSERT_EQ(ClientOfA([&] { return setUp("NODEB", 'A'); }), "0/00/00/00/00/00/00/00/0");
        ASSERT_EQ(ClientOfB([&] { return setUp("NODEA", 'E'); }), "0/00/00/00/00/00/00/00/0");
        ASSERT_EQ(ClientOfA([] { return Result(eqv_create(nullptr, "NODEA", "S", "NODEB", "S", SHARED)); }), "0/0");
        // In service on A: B is asked to give S up first (it holds nothing).
        ASSERT_EQ(ClientOfA([] {
                      return Result(perfaction(const_cast<char*>("T"), 0, const_cast<char*>("restore"),
                                               const_cast<char*>(""), KIVRA_ALL, 0));
                  }),
                  "0/0");
    }
    static std::string States() { return ownertest::StatesAndInits({"S", "T"}); }
    std::string Journal() { return cfgtest::ReadFile(Shared() + "/journal"); }
    // Kills the keepers of system's claims (all with a null system).
    void KillClaims(const char* system) {
        for (const char* t : {"S", "T"}) {
            std::ifstream owner(Shared() + "/owner." + t);
            std::string who;
            long pid = 0;
            if (owner >> who >> pid && pid > 0 && (system == nullptr || who == system))
                ::kill(static_cast<pid_t>(pid), SIGKILL);
        }
    }
    void TearDown() override {
        KillClaims(nullptr);
        qdbfixture::TwoSystemsFixture::TearDown();
    }
};

const char kRestoredOnA[] = "NODEA restore -t S -i id-S\nNODEA restore -t T -i id-T\n";

TEST_F(TransferTwoSystems, AFailedRecoveryHandsTheHierarchyToTheOtherSystem) {
    Prepare();
    EXPECT_EQ(Journal(), kRestoredOnA);
    std::ofstream(Shared() + "/fail.recover") << "";
    EXPECT_EQ(ClientOfA([] { return Result(qdbrecover::local_start_recovery("hw", "down", "id-S", "arg")); }), "0/0");
    EXPECT_EQ(Journal(), std::string(kRestoredOnA) +
                             "NODEA recover arg\n"
                             "NODEA remove -R -t T -i id-T\nNODEA remove -R -t S -i id-S\n"
                             "NODEB restore -t S -i id-S\nNODEB restore -t T -i id-T\n");
    EXPECT_EQ(ClientOfA([] { return States(); }), "S=OSF/AUTORES_ISP,T=OSU/AUTORES_ISP");
    EXPECT_EQ(ClientOfB([] { return States(); }), "S=ISP/AUTOSEC_ISP,T=ISP/AUTOSEC_ISP");
    // B's restore asked A to give S up while A's transfer waited.
    EXPECT_NE(Out(daemons_["NODEA"]).find("qdb: request @&NODEB|S\n"), std::string::npos) << Out(daemons_["NODEA"]);
    EXPECT_NE(Out(daemons_["NODEB"]).find("qdb: request @>NODEA|S\n"), std::string::npos) << Out(daemons_["NODEB"]);
}

TEST_F(TransferTwoSystems, ASucceedingRecoveryKeepsTheHierarchyHere) {
    Prepare();
    EXPECT_EQ(ClientOfA([] { return Result(qdbrecover::local_start_recovery("hw", "down", "id-S", "arg")); }), "0/0");
    EXPECT_EQ(Journal(), std::string(kRestoredOnA) + "NODEA recover arg\n");
    EXPECT_EQ(ClientOfA([] { return States(); }), "S=ISP/AUTORES_ISP,T=ISP/AUTORES_ISP");
    EXPECT_EQ(ClientOfB([] { return States(); }), "S=OSU/SEC_ISP,T=OSU/SEC_ISP");
}

}  // namespace

namespace {

TEST_F(TransferTwoSystems, WhenTheRelayReportsTheOtherSystemDeadTheSurvivorTakesOver) {
    Prepare();
    // B keeps a record of the relay's path, so its loss reaches B's database.
    const std::string made = ClientOfB([] { return Result(net_create(nullptr, "NODEA", "relay", 'l', 0, 1, 1, 2)); });
    // A's processes die (its manager, daemon and claims): the relay reports
    // the path DEAD to B, whose comm-down starts the restore of A's shared
    // resources.
    ::kill(managers_["NODEA"], SIGKILL);
    ::kill(daemons_["NODEA"], SIGKILL);
    KillClaims("NODEA");
    // B's restore of the top of the hierarchy is the last script; the
    // states follow once it has returned.
    const std::string last = "NODEB restore -R -t T -i id-T\n";
    EXPECT_TRUE(Eventually([&] { return Journal().find(last) != std::string::npos; }, 60000)) << Journal();
    std::string states;
    Eventually([&] { return (states = ClientOfB([] { return States(); })) == "S=ISP/AUTOSEC_ISP,T=ISP/AUTOSEC_ISP"; });
    EXPECT_EQ(states, "S=ISP/AUTOSEC_ISP,T=ISP/AUTOSEC_ISP") << made << Out(managers_["NODEB"]) << Err(managers_["NODEB"]);
    EXPECT_EQ(Journal(), std::string(kRestoredOnA) + "NODEB restore -R -t S -i id-S\nNODEB restore -R -t T -i id-T\n");
}

}  // namespace
