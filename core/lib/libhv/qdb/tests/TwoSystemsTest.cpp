// Two systems with a database on this machine, NODEA and NODEB, each with
// its own system directory, root, daemon and manager, joined by the relay:
// requests from NODEA reach NODEB's daemon and its answers come back. The
// requesters are children of the test running as clients of NODEA.
#include "TwoSystemsFixture.h"
#include "qdberr.h"
#include "qdbmes.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using cfgtest::ReadFile;

namespace {

class TwoSystems : public qdbfixture::TwoSystemsFixture {};

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
