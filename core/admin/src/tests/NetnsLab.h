// Network namespaces a test or benchmark makes for itself: each is held by a
// small child process until the holder goes, so nothing of the host's
// network is touched. Commands run inside one through nsenter; a socket is
// made inside one by a thread that joins it (a socket keeps the namespace
// it was made in).
#pragma once

#include <cerrno>
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace netnslab {

class Namespace {
public:
    Namespace() {
        int ready[2], hold[2];
        if (::pipe2(ready, O_CLOEXEC) != 0) return;
        if (::pipe2(hold, O_CLOEXEC) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ready[0]);
            ::close(hold[1]);
            const char ok = ::unshare(CLONE_NEWNET) == 0 ? 'y' : 'n';
            (void)!::write(ready[1], &ok, 1);
            char c;
            while (::read(hold[0], &c, 1) < 0 && errno == EINTR) {
            }
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(hold[0]);
        hold_ = hold[1];
        char ok = 'n';
        if (pid_ > 0 && ::read(ready[0], &ok, 1) == 1 && ok == 'y') ok_ = true;
        ::close(ready[0]);
    }
    ~Namespace() {
        if (hold_ >= 0) ::close(hold_);
        if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
    }
    Namespace(const Namespace&) = delete;
    Namespace& operator=(const Namespace&) = delete;

    bool Ok() const { return ok_; }
    pid_t Pid() const { return pid_; }
    std::string NetPath() const { return "/proc/" + std::to_string(pid_) + "/ns/net"; }

    // argv prefixed so that it runs inside this namespace.
    std::vector<std::string> Inside(const std::vector<std::string>& argv) const {
        std::vector<std::string> full{"/usr/bin/nsenter", "--net=" + NetPath(), "--"};
        full.insert(full.end(), argv.begin(), argv.end());
        return full;
    }
    // Runs a shell command line inside (test set-up only): its exit status.
    int Shell(const std::string& command) const {
        const pid_t pid = ::fork();
        if (pid == 0) {
            const std::string ns = "--net=" + NetPath();
            ::execl("/usr/bin/nsenter", "nsenter", ns.c_str(), "--", "/bin/sh", "-c", command.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // A socket made inside this namespace; -1 on failure.
    int Socket(int domain, int type, int protocol) const {
        int fd = -1;
        std::thread t([&] {
            const int ns = ::open(NetPath().c_str(), O_RDONLY | O_CLOEXEC);
            if (ns < 0) return;
            if (::setns(ns, CLONE_NEWNET) == 0) fd = ::socket(domain, type | SOCK_CLOEXEC, protocol);
            ::close(ns);
        });
        t.join();
        return fd;
    }

    // Runs fn on a thread that has joined this namespace, and waits for it.
    template <class Fn>
    bool RunInside(Fn fn) const {
        bool joined = false;
        std::thread t([&] {
            const int ns = ::open(NetPath().c_str(), O_RDONLY | O_CLOEXEC);
            if (ns < 0) return;
            joined = ::setns(ns, CLONE_NEWNET) == 0;
            ::close(ns);
            if (joined) fn();
        });
        t.join();
        return joined;
    }

private:
    pid_t pid_ = -1;
    int hold_ = -1;
    bool ok_ = false;
};

}  // namespace netnslab
