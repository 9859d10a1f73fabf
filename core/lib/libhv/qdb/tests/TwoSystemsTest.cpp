// Two systems with a database on this machine, NODEA and NODEB, each with
// its own system directory, root, daemon and manager, joined by the relay:
// requests from NODEA reach NODEB's daemon and its answers come back. The
// requesters are children of the test running as clients of NODEA.
#include "ChildReport.h"
#include "QdbDaemonFixture.h"
#include "RootBin.h"
#include "TempSystemDir.h"
#include "application.h"
#include "hvresource.h"
#include "resource_type.h"
#include "systems.h"
#include "qdberr.h"
#include "qdbfile.h"
#include "qdbmes.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using cfgtest::ReadFile;

namespace {

struct System {
    std::string name, dir, root;
    // The environment of every process of this system.
    void Enter() const {
        ::setenv("HV_SYSTEM_DIR", dir.c_str(), 1);
        ::setenv("TEST_ROOT", root.c_str(), 1);
        ::setenv("TEST_UNAME", name.c_str(), 1);
        ::setenv("MXRHOSTNAME", name.c_str(), 1);
    }
};

class TwoSystems : public ::testing::Test {
protected:
    void SetUp() override {
        a_ = Make("NODEA", dirA_.Path());
        b_ = Make("NODEB", dirB_.Path());
        for (const System* s : {&a_, &b_}) {
            // The daemon serves once its manager is available.
            const pid_t daemon = Start(*s, HV_QDB_BIN, {"qdb"});
            daemons_[s->name] = daemon;
            managers_[s->name] = Start(*s, HV_MXRCFGSTORE_BIN, {"mxrcfgstore"});
            ASSERT_TRUE(WaitForLine(daemon, "qdb: serving")) << Err(daemon) << Err(managers_[s->name]);
        }
        relay_ = Start(a_, HV_RELAY_BIN, {"hvrelay", a_.dir, a_.name, b_.dir, b_.name});
        ASSERT_TRUE(WaitForLine(relay_, "hvrelay: joined NODEA and NODEB")) << Err(relay_);
    }
    void TearDown() override {
        // The relay first, then the managers, then the daemons.
        for (auto it = started_.rbegin(); it != started_.rend(); ++it) Stop(*it);
    }

    static System Make(const std::string& name, const std::string& dir) {
        System s{name, dir, dir + "/root"};
        std::filesystem::create_directories(s.root + "/etc");
        std::ofstream(s.root + "/etc/Holdervane") << "INITTIMEOUT=20\n";
        cfgtest::InstallRootBin(s.root);
        return s;
    }
    pid_t Start(const System& s, const char* path, const std::vector<std::string>& args) {
        static int serial = 0;
        const std::string log = s.dir + "/" + args[0] + std::to_string(++serial);
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        const pid_t pid = ::fork();
        if (pid == 0) {
            s.Enter();
            const int out = ::open((log + ".out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int err = ::open((log + ".err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(out, 1);
            ::dup2(err, 2);
            ::execv(path, argv.data());
            ::_exit(127);
        }
        logs_[pid] = log;
        started_.push_back(pid);
        return pid;
    }
    std::string Out(pid_t pid) { return ReadFile(logs_[pid] + ".out"); }
    std::string Err(pid_t pid) { return ReadFile(logs_[pid] + ".err"); }
    // Waits (at most 20 s) until the program's output holds text.
    bool WaitForLine(pid_t pid, const std::string& text) {
        for (int i = 0; i < 2000; ++i) {
            if (Out(pid).find(text) != std::string::npos) return true;
            ::usleep(10000);
        }
        return false;
    }
    // SIGTERM and the exit code (-1: no normal exit).
    int Stop(pid_t pid) {
        const auto at = std::find(started_.begin(), started_.end(), pid);
        if (at == started_.end()) return -1;
        started_.erase(at);
        ::kill(pid, SIGTERM);
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // The exit code of a program that ends by itself within 20 s, else -1.
    int Ended(pid_t pid) {
        for (int i = 0; i < 2000; ++i) {
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                started_.erase(std::find(started_.begin(), started_.end(), pid));
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            ::usleep(10000);
        }
        return -1;
    }
    // Runs body as a database client of NODEA in a child; its note comes back.
    std::string ClientOfA(const std::function<std::string()>& body) {
        return qdbfixture::ClientNote([this] { a_.Enter(); }, body);
    }
    static std::string Result(int rc) { return qdbfixture::ResultAndErrno(rc); }

    hvtest::TempSystemDir dirA_, dirB_;
    System a_, b_;
    std::map<std::string, pid_t> daemons_, managers_;
    pid_t relay_ = -1;
    std::vector<pid_t> started_;
    std::map<pid_t, std::string> logs_;
};

TEST_F(TwoSystems, ARequestIsAnsweredByTheOtherDaemon) {
    const std::string note = ClientOfA([] {
        char reply[kQdbMesMax];
        std::string out = std::to_string(rem_exec("NODEB", "printf %s $HVROOT; exit 4", reply, nullptr)) + "|" + reply;
        out += "|" + std::to_string(rem_exec(nullptr, "printf %s $HVROOT", reply, nullptr)) + "|" + reply;
        return out;
    });
    // Each command ran below its own system's root.
    EXPECT_EQ(note, "4|" + b_.root + "|0|" + a_.root);
    EXPECT_NE(Out(daemons_["NODEB"]).find("qdb: request @aOprintf %s $HVROOT; exit 4"), std::string::npos);
    EXPECT_EQ(Out(daemons_["NODEA"]).find("exit 4"), std::string::npos);
}

TEST_F(TwoSystems, AFileWithNulBytesIsCopiedExactlyInThreeChunks) {
    std::string content(250000, '\0');
    for (std::size_t i = 0; i < content.size(); i += 3) content[i] = static_cast<char>((i * 7919) % 251);
    const std::string src = a_.dir + "/src.bin";
    std::ofstream(src, std::ios::binary) << content;
    const std::string dest = b_.root + "/copies/dst.bin";
    const std::string note = ClientOfA([&] { return Result(copy_file("NODEB", src.c_str(), dest.c_str())); });
    EXPECT_EQ(note, "0/0");
    EXPECT_EQ(ReadFile(dest), content);
    // Created with the first chunk, appended with the other two, all on NODEB.
    const std::string log = Out(daemons_["NODEB"]);
    for (const char* chunk : {"@fC|src.bin|", "|0|100000|", "|100000|100000|", "|200000|50000|"})
        EXPECT_NE(log.find(chunk), std::string::npos) << chunk << "\n" << log;
    EXPECT_EQ(cfgtest::Count(log, "qdb: request @fA|src.bin|" + dest), 2) << log;
    EXPECT_EQ(Out(daemons_["NODEA"]).find("@f"), std::string::npos);
}

TEST_F(TwoSystems, AForgedChunkIsRefusedByTheOtherDaemon) {
    const std::string file = b_.root + "/forged";
    // The header claims 1,000 bytes; five arrive.
    const std::string chunk = "C\x01" "forged\x01" + file + "\x01 \x01 \x01" "0644\x01" "0\x01" "1000\x01" "short";
    const std::string note = ClientOfA([&] {
        return Result(qdbsendremote(nullptr, "NODEB", '@', 'f', nullptr, chunk.data(), static_cast<int>(chunk.size())));
    });
    EXPECT_EQ(note, "-1/5");
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(TwoSystems, StoppingTheRelayEndsAWaitingRequestWithCode9) {
    // A cache-update letter is never answered: the request waits until the
    // path to NODEB goes.
    std::string note;
    std::thread requester([&] {
        note = ClientOfA([] { return Result(qdbsendremote(nullptr, "NODEB", 'A', 'j', "%s", "NODEC")); });
    });
    EXPECT_TRUE(WaitForLine(daemons_["NODEB"], "qdb: request AjNODEC"));
    EXPECT_EQ(Stop(relay_), 0);
    requester.join();
    EXPECT_EQ(note, "-1/9");
    // The relay told both administrators that the path is down.
    EXPECT_NE(Err(managers_["NODEA"]).find("remAlias=NODEB hbStatus=3"), std::string::npos) << Err(managers_["NODEA"]);
    EXPECT_NE(Err(managers_["NODEB"]).find("remAlias=NODEA hbStatus=3"), std::string::npos) << Err(managers_["NODEB"]);
}

TEST_F(TwoSystems, WhenOneManagerGoesTheRelayEndsAndTheOtherSystemIsUnreachable) {
    EXPECT_EQ(Stop(managers_["NODEB"]), 0);
    EXPECT_EQ(Ended(relay_), 4);
    EXPECT_NE(Err(managers_["NODEA"]).find("remAlias=NODEB hbStatus=3"), std::string::npos) << Err(managers_["NODEA"]);
    const std::string note = ClientOfA([] { return Result(qdbsendremote(nullptr, "NODEB", '@', 'h', "%d", 1)); });
    EXPECT_EQ(note, "-1/9");
}

// NODEB's copy of NODEA: loaded once through NODEA's cache server, then
// kept by the records NODEA sends for every change of an instance.
TEST_F(TwoSystems, AnInstanceCreatedChangedAndRemovedOnAFollowsInBsCopy) {
    auto clientOfB = [this](const std::function<std::string()>& body) {
        return qdbfixture::ClientNote([this] { b_.Enter(); }, body);
    };
    // NODEA's copy of an instance, as "state|info" ("none" when absent),
    // once it reads `want` (at most 10 s).
    auto copyOnB = [&](const std::string& want) {
        return clientOfB([want] {
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
    EXPECT_EQ(clientOfB([] {
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
    EXPECT_EQ(clientOfB([] {
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

TEST(RelayCommandLine, RefusesBadArgumentsAndAnAbsentManager) {
    hvtest::TempSystemDir dir;
    const struct {
        std::vector<std::string> args;
        int code;
    } cases[] = {
        {{}, 1},
        {{dir.Path(), "NODEA", dir.Path()}, 1},
        {{dir.Path(), "NODEA", dir.Path(), "NODEA"}, 1},  // a system joined to itself
        {{dir.Path(), "NODEA", dir.Path(), "hvrelay"}, 1},  // the relay's own name
        {{dir.Path(), "NODEA", dir.Path(), "NODEB"}, 2},  // no manager listens
    };
    for (const auto& c : cases) {
        std::vector<char*> argv{const_cast<char*>("hvrelay")};
        for (const std::string& a : c.args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int devnull = ::open("/dev/null", O_WRONLY);
            ::dup2(devnull, 1);
            ::dup2(devnull, 2);
            ::execv(HV_RELAY_BIN, argv.data());
            ::_exit(127);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), c.code) << c.args.size();
    }
}

}  // namespace
