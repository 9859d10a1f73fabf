// The line simulator (tools/testtools/ttylinesim) as a child of a test: its links in a
// fresh directory, commands written to its standard input and each answer
// read back, and the process stopped on the way out.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>

namespace ttytest {

inline const char* LineSimBin() { return HV_LINESIM_BIN; }

class LineSim {
public:
    explicit LineSim(const std::string& dir_) : dir(dir_) {
        int in[2], out[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) return;
        const pid_t parent = ::getpid();
        pid = ::fork();
        if (pid == 0) {
            if (::prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || ::getppid() != parent) ::_exit(125);
            ::dup2(in[0], 0);
            ::dup2(out[1], 1);
            ::execl(LineSimBin(), LineSimBin(), "-d", dir.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        cmd = in[1];
        reply = out[0];
        ready = ReadLine(10000) == "ready";
    }
    ~LineSim() {
        if (cmd >= 0) ::close(cmd);  // the simulator ends when its input does
        if (reply >= 0) ::close(reply);
        if (pid > 0) {
            for (int i = 0; i < 200; ++i) {
                if (::waitpid(pid, nullptr, WNOHANG) == pid) return;
                ::usleep(10000);
            }
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }
    LineSim(const LineSim&) = delete;
    LineSim& operator=(const LineSim&) = delete;

    // Sends one command; its answer line ("" when none came in time).
    std::string Do(const std::string& command) {
        const std::string line = command + "\n";
        if (::write(cmd, line.data(), line.size()) != static_cast<ssize_t>(line.size())) return "";
        return ReadLine(10000);
    }
    std::string A() const { return dir + "/a"; }
    std::string B() const { return dir + "/b"; }

    bool ready = false;
    std::string dir;

private:
    std::string ReadLine(int timeoutMs) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            const std::size_t nl = buffered.find('\n');
            if (nl != std::string::npos) {
                std::string line = buffered.substr(0, nl);
                buffered.erase(0, nl + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            if (left.count() <= 0) return "";
            pollfd p{reply, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
            char buf[256];
            const ssize_t n = ::read(reply, buf, sizeof buf);
            if (n <= 0) return "";
            buffered.append(buf, static_cast<std::size_t>(n));
        }
    }

    pid_t pid = -1;
    int cmd = -1;
    int reply = -1;
    std::string buffered;
};

}  // namespace ttytest
