// One system whose manager runs the database link: the daemon stand-in, the
// manager's host program (mxrcfgstore) and two stub agents (TLI and TTY)
// whose path reports the test gives through their command FIFOs. Clients
// run in children; a client can be started, held at a gate and waited for
// within a bound, so a call that never returns fails the test instead of
// hanging it.
#pragma once

#include "LogicalAddr.h"
#include "MxrAdminIsAnyCommPathToHostUpReqMsg.h"
#include "OneSystemFixture.h"
#include "SharedManagerPipe.h"

#include <chrono>
#include <csignal>
#include <fstream>
#include <future>
#include <memory>
#include <poll.h>
#include <thread>

namespace linktest {

// A database client in a child, started at once, running its body only when
// told (Go), with bounded waits for each stage.
class GatedClient {
public:
    // enter (when given) runs in the child first: its system's environment.
    explicit GatedClient(const std::function<std::string()>& body, const std::function<void()>& enter = {}) {
        int ready[2], go[2], note[2];
        if (::pipe(ready) != 0 || ::pipe(go) != 0 || ::pipe(note) != 0) return;
        std::fflush(stdout);
        std::fflush(stderr);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ready[0]);
            ::close(go[1]);
            ::close(note[0]);
            if (enter) enter();
            qdbfixture::StartClient();
            char c = 'r';
            if (::write(ready[1], &c, 1) != 1 || ::read(go[0], &c, 1) != 1) ::_exit(2);
            c = 's';
            if (::write(ready[1], &c, 1) != 1) ::_exit(2);
            const std::string text = body();
            if (::write(note[1], text.data(), text.size()) < 0) ::_exit(3);
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(go[0]);
        ::close(note[1]);
        readyFd_ = ready[0];
        goFd_ = go[1];
        noteFd_ = note[0];
    }
    ~GatedClient() {
        if (pid_ > 0 && !ended_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        for (int fd : {readyFd_, goFd_, noteFd_})
            if (fd >= 0) ::close(fd);
    }
    // The client has started its database (at most ms).
    bool Ready(int ms) { return Readable(readyFd_, ms) && ReadByte(readyFd_); }
    void Go() {
        char c = 'g';
        if (::write(goFd_, &c, 1) != 1) ADD_FAILURE() << "the client is gone";
    }
    // After Go: the body has been entered (at most ms).
    bool Entered(int ms) { return Readable(readyFd_, ms) && ReadByte(readyFd_); }
    // The body has returned and the child ended within ms.
    bool EndedWithin(int ms) {
        int status = 0;
        if (!ended_ && !qdbfixture::Eventually([&] { return ::waitpid(pid_, &status, WNOHANG) == pid_; }, ms))
            return false;
        if (!ended_) {
            ended_ = true;
            exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        char buf[4096];
        for (ssize_t n; (n = ::read(noteFd_, buf, sizeof buf)) > 0;) note_.append(buf, static_cast<std::size_t>(n));
        return exitCode_ == 0;
    }
    const std::string& Note() const { return note_; }

private:
    static bool Readable(int fd, int ms) {
        pollfd p{fd, POLLIN, 0};
        return ::poll(&p, 1, ms) == 1;
    }
    static bool ReadByte(int fd) {
        char c;
        return ::read(fd, &c, 1) == 1;
    }
    pid_t pid_ = -1;
    int readyFd_ = -1, goFd_ = -1, noteFd_ = -1;
    bool ended_ = false;
    int exitCode_ = -1;
    std::string note_;
};

// Asks this system's administrator whether a path to host is up over a
// connection of its own, on a thread of its own: 0 up, 1 not, -1 the call
// failed, -2 no answer within ms (the thread is left to end by itself).
inline int HostUpWithin(const std::string& host, int ms) {
    auto result = std::make_shared<std::promise<int>>();
    std::future<int> answer = result->get_future();
    std::thread([result, host] {
        const SynchPipeHeadPtr c = SharedManagerPipe::Connect();
        const BaseAddrPtr admin(new LogicalAddr(BaseAddr::GetCurrentHost(), LogicalAddr::MXRADMIN));
        const BaseMsgPtr req(new MxrAdminIsAnyCommPathToHostUpReqMsg(admin, bStr(host.c_str()), bStr(host.c_str())));
        int rc = -1;
        if (c->SynchWrite(req) == 0) {
            for (;;) {
                BaseMsgPtr got;
                if (c->SynchRead(got) != 0) break;
                if (got->IsOfType(BasePipeMsg::ClassCode)) continue;
                const MxrAdminIsAnyCommPathToHostUpRspMsgPtr rsp(got);
                rc = rsp.Ok() ? (rsp->GetRetVal() == 0 ? 0 : 1) : -1;
                break;
            }
        }
        c->Close();
        result->set_value(rc);
    }).detach();
    if (answer.wait_for(std::chrono::milliseconds(ms)) != std::future_status::ready) return -2;
    return answer.get();
}

class LinkSystem : public qdbfixture::OneSystemTest {
protected:
    // The test time scale of every program: at 0.03 the administrator waits
    // 10.8 s for an agent or its answer.
    virtual const char* TimeScale() const { return "0.03"; }
    void BeforeDaemon() override {
        ::setenv("HV_TEST_TIME_SCALE", TimeScale(), 1);
        RootFile("config/systems", "NODE1\x01" "A\x01\n" "NODE2\x01" "A\x01\n");
        RootFile("config/networks", Networks());
    }
    // The stored paths the manager creates at its start.
    virtual std::string Networks() {
        return "NODE2\x01" "TCPIP:1500\x01" "l\x01" "0\x01" "0\x01" "1\x01" "1\x01" "3\n"
               "NODE2\x01" "/dev/ttyS0\x01" "y\x01" "9600\x01" "0\x01" "1\x01" "1\x01" "3\n";
    }
    void SetUp() override {
        OneSystemTest::SetUp();
        if (HasFatalFailure()) return;
        tliFifo_ = sys_.Path() + "/tli.fifo";
        ttyFifo_ = sys_.Path() + "/tty.fifo";
        ASSERT_EQ(::mkfifo(tliFifo_.c_str(), 0600), 0);
        ASSERT_EQ(::mkfifo(ttyFifo_.c_str(), 0600), 0);
        tli_ = StartProgram(HV_STUB_AGENT_BIN, {"hvstubagent", "-k", "TLI", "-c", tliFifo_.c_str(), "NODE1"});
        tty_ = StartProgram(HV_STUB_AGENT_BIN, {"hvstubagent", "-k", "TTY", "-c", ttyFifo_.c_str(), "NODE1"});
        ASSERT_TRUE(WaitForLine(tli_, "registered NODE1")) << Err(tli_);
        ASSERT_TRUE(WaitForLine(tty_, "registered NODE1")) << Err(tty_);
    }
    void TearDown() override {
        OneSystemTest::TearDown();
        ::unsetenv("HV_TEST_TIME_SCALE");
    }
    // One command line to a stub agent.
    static void Tell(const std::string& fifo, const std::string& line) {
        std::ofstream(fifo) << line << "\n" << std::flush;
    }
    // The TLI path NODE2 TCPIP:1500 up (connection and heartbeat) or down.
    void TliPath(bool up) {
        if (up) Tell(tliFifo_, "outconn NODE2 TCPIP:1500 ALIVE");
        Tell(tliFifo_, std::string("status NODE2 TCPIP:1500 ") + (up ? "ALIVE" : "DEAD"));
    }
    // Waits (at most 20 s) until the program's error output holds text
    // `count` times.
    bool WaitForErr(pid_t pid, const std::string& text, std::size_t count = 1) {
        return qdbfixture::Eventually(
            [&] { return static_cast<std::size_t>(cfgtest::Count(Err(pid), text)) >= count; }, 20000);
    }
    // Polls the database in a client until probe's text is want (at most 20 s).
    std::string WaitInDatabase(const std::function<std::string()>& probe, const std::string& want) {
        return Client([&] {
            std::string got;
            qdbfixture::Eventually([&] { return (got = probe()) == want; }, 20000);
            return got;
        });
    }
    std::string tliFifo_, ttyFifo_;
    pid_t tli_ = -1, tty_ = -1;
};

}  // namespace linktest
