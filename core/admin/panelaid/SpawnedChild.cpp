#include "SpawnedChild.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/timerfd.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace panelaid {

namespace {

std::vector<std::string> MergedEnvironment(const Environment& extra) {
    std::map<std::string, std::string> vars;
    std::vector<std::string> order;
    for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
        const char* eq = std::strchr(*e, '=');
        if (eq == nullptr) continue;
        std::string name(*e, static_cast<std::size_t>(eq - *e));
        if (vars.emplace(name, eq + 1).second) order.push_back(name);
    }
    for (const auto& [name, value] : extra) {
        if (name.empty() || name.find('=') != std::string::npos) continue;
        if (vars.count(name) == 0) order.push_back(name);
        vars[name] = value;
    }
    std::vector<std::string> out;
    out.reserve(order.size());
    for (const std::string& name : order) out.push_back(name + "=" + vars[name]);
    return out;
}

bool DescriptorOpen(int fd) { return ::fcntl(fd, F_GETFD) >= 0; }

}  // namespace

SpawnedChild::~SpawnedChild() {
    if (outFd_ >= 0) ::close(outFd_);
    if (pidfd_ >= 0) ::close(pidfd_);
    CloseTimer();
    // A child never waited for is reaped here, after it ends.
    if (pid_ > 0 && !exited_) {
        int st = 0;
        while (::waitpid(pid_, &st, 0) < 0 && errno == EINTR) {
        }
    }
}

int SpawnedChild::Start(const SpawnSpec& spec, OutputLines* output) {
    if (spec.argv.empty()) return EINVAL;
    output_ = output;
    if (spec.timeLimitMs > 0) {
        timerFd_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
        if (timerFd_ < 0) return errno;
    }
    int pipeFds[2] = {-1, -1};
    if (spec.captureOutput && ::pipe2(pipeFds, O_CLOEXEC) != 0) {
        const int err = errno;
        CloseTimer();
        return err;
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (spec.captureOutput)
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    else
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    // A closed descriptor 2 of ours must not reach the child as closed.
    if (spec.quiet || !DescriptorOpen(2)) posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);

    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    // A group of its own lets the time limit end what the child started too.
    if (timerFd_ >= 0) {
        posix_spawnattr_setpgroup(&attr, 0);
        flags |= POSIX_SPAWN_SETPGROUP;
    }
    posix_spawnattr_setflags(&attr, flags);

    std::vector<char*> argv;
    for (const std::string& a : spec.argv) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const std::vector<std::string> env = MergedEnvironment(spec.extraEnv);
    std::vector<char*> envp;
    for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, argv[0], &actions, &attr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (spec.captureOutput) ::close(pipeFds[1]);
    if (rc != 0) {
        if (spec.captureOutput) ::close(pipeFds[0]);
        CloseTimer();
        return rc;
    }
    pid_ = pid;
    if (timerFd_ >= 0) {
        itimerspec when{};
        when.it_value.tv_sec = static_cast<time_t>(spec.timeLimitMs / 1000);
        when.it_value.tv_nsec = static_cast<long>(spec.timeLimitMs % 1000) * 1000000L;
        ::timerfd_settime(timerFd_, 0, &when, nullptr);
    }
    outFd_ = spec.captureOutput ? pipeFds[0] : -1;
    if (outFd_ >= 0) ::fcntl(outFd_, F_SETFL, ::fcntl(outFd_, F_GETFL) | O_NONBLOCK);
    pidfd_ = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (pidfd_ < 0) {
        // Without a pidfd the wait can only block: reap now, then read.
        Reap();
        Drain(true);
    }
    return 0;
}

std::vector<int> SpawnedChild::WatchedFds() const {
    std::vector<int> fds;
    if (outFd_ >= 0) fds.push_back(outFd_);
    if (!exited_ && pidfd_ >= 0) fds.push_back(pidfd_);
    if (!exited_ && timerFd_ >= 0) fds.push_back(timerFd_);
    return fds;
}

void SpawnedChild::Drain(bool toEnd) {
    if (outFd_ < 0) return;
    char buf[65536];
    // A child that writes without pause gives the waiting loop its turn
    // after a few reads.
    for (int reads = 0;; ++reads) {
        if (!toEnd && reads == 16) return;
        const ssize_t n = ::read(outFd_, buf, sizeof buf);
        if (n > 0) {
            if (output_ != nullptr) output_->Append(buf, static_cast<std::size_t>(n));
            if (!toEnd && n < static_cast<ssize_t>(sizeof buf)) return;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        // The end, an error, or (after the child's end) nothing more that
        // is ready: a descendant that keeps the pipe open does not hold us.
        if (n < 0 && errno == EAGAIN && !exited_) return;
        ::close(outFd_);
        outFd_ = -1;
        if (output_ != nullptr) output_->Finish();
        return;
    }
}

void SpawnedChild::Reap() {
    int st = 0;
    pid_t r;
    while ((r = ::waitpid(pid_, &st, 0)) < 0 && errno == EINTR) {
    }
    exited_ = true;
    status_ = r == pid_ ? st : -1;
    if (pidfd_ >= 0) {
        ::close(pidfd_);
        pidfd_ = -1;
    }
    CloseTimer();
}

void SpawnedChild::CloseTimer() {
    if (timerFd_ < 0) return;
    ::close(timerFd_);
    timerFd_ = -1;
}

void SpawnedChild::OnReadable(int fd) {
    if (fd == outFd_) {
        Drain(false);
    } else if (fd == pidfd_) {
        Reap();
        Drain(true);
    } else if (fd == timerFd_) {
        // The child is not reaped yet, so its group cannot be another's:
        // the whole group goes, and the pidfd then reports the end.
        CloseTimer();
        timedOut_ = true;
        ::kill(-pid_, SIGKILL);
    }
}

bool SpawnedChild::Done() const { return pid_ <= 0 || (exited_ && outFd_ < 0); }

int SpawnedChild::ResultOf(int waitStatus) {
    if (waitStatus < 0) return -1;
    if (WIFEXITED(waitStatus)) return WEXITSTATUS(waitStatus);
    if (WIFSIGNALED(waitStatus)) return 128 + WTERMSIG(waitStatus);
    return -1;
}

}  // namespace panelaid
