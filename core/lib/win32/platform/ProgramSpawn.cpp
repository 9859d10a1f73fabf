#include "platform/ProgramSpawn.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace portlib::platform {

namespace {

int Tid() { return static_cast<int>(::syscall(SYS_gettid)); }

// Everything posix_spawn needs, built before any process is made: the
// middle process of a detached start only makes system calls with it.
class PreparedSpawn {
public:
    explicit PreparedSpawn(const SpawnSpec& spec) : spec_(spec) {
        for (const std::string& a : spec.argv) argv_.push_back(const_cast<char*>(a.c_str()));
        argv_.push_back(nullptr);
        for (const std::string& e : spec.env) envp_.push_back(const_cast<char*>(e.c_str()));
        envp_.push_back(nullptr);
        ::posix_spawn_file_actions_init(&actions_);
        ::posix_spawnattr_init(&attr_);
        err_ = Build();
    }
    ~PreparedSpawn() {
        for (int fd : opened_) ::close(fd);
        ::posix_spawn_file_actions_destroy(&actions_);
        ::posix_spawnattr_destroy(&attr_);
    }
    PreparedSpawn(const PreparedSpawn&) = delete;
    PreparedSpawn& operator=(const PreparedSpawn&) = delete;

    int Error() const { return err_; }

    // The spawn itself, with the nice value of the program: Linux keeps it
    // per thread and a new process takes the creating thread's, so this
    // thread carries it for the moment of the spawn only.
    int Spawn(pid_t* pid) {
        int saved = 0;
        bool changed = false;
        if (spec_.nice) {
            errno = 0;
            saved = ::getpriority(PRIO_PROCESS, static_cast<id_t>(Tid()));
            changed = errno == 0 && ::setpriority(PRIO_PROCESS, static_cast<id_t>(Tid()), *spec_.nice) == 0;
        }
        const int err = ::posix_spawn(pid, spec_.program.c_str(), &actions_, &attr_, argv_.data(), envp_.data());
        if (changed) (void)::setpriority(PRIO_PROCESS, static_cast<id_t>(Tid()), saved);
        return err;
    }

private:
    int Build() {
        if (spec_.program.empty() || spec_.argv.empty()) return EINVAL;
        short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
        if (spec_.newSession) flags |= POSIX_SPAWN_SETSID;
        sigset_t none, all;
        sigemptyset(&none);
        sigfillset(&all);
        if (int e = ::posix_spawnattr_setflags(&attr_, flags)) return e;
        if (int e = ::posix_spawnattr_setsigmask(&attr_, &none)) return e;
        if (int e = ::posix_spawnattr_setsigdefault(&attr_, &all)) return e;
        // A standard descriptor closed here is /dev/null there.
        for (int fd = 0; fd <= 2; ++fd)
            if (::fcntl(fd, F_GETFD) == -1)
                if (int e = ::posix_spawn_file_actions_addopen(&actions_, fd, "/dev/null", O_RDWR, 0)) return e;
        for (const StdRedirect& r : spec_.redirects) {
            if (r.target < 0 || r.target > 2) return EINVAL;
            int e = 0;
            switch (r.op) {
            case StdRedirect::kOpen: {
                int fd = ::open(r.path.c_str(), r.flags | O_CLOEXEC, r.mode);
                if (fd >= 0 && fd <= 2) {
                    // Opened on a standard descriptor the caller has closed,
                    // which the spawn makes /dev/null first: moved above them.
                    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
                    ::close(fd);
                    fd = moved;
                }
                if (fd < 0) {
                    e = ::posix_spawn_file_actions_addopen(&actions_, r.target, "/dev/null", O_RDWR, 0);
                    break;
                }
                opened_.push_back(fd);
                if (r.toEnd) ::lseek(fd, 0, SEEK_END);
                e = ::posix_spawn_file_actions_adddup2(&actions_, fd, r.target);
                break;
            }
            case StdRedirect::kDup:
                if (r.source < 0) return EINVAL;
                if (r.source != r.target) e = ::posix_spawn_file_actions_adddup2(&actions_, r.source, r.target);
                break;
            case StdRedirect::kNull:
                e = ::posix_spawn_file_actions_addopen(&actions_, r.target, "/dev/null", O_RDWR, 0);
                break;
            }
            if (e != 0) return e;
        }
        if (!spec_.workDir.empty())
            if (int e = ::posix_spawn_file_actions_addchdir_np(&actions_, spec_.workDir.c_str())) return e;
        return ::posix_spawn_file_actions_addclosefrom_np(&actions_, 3);
    }

    const SpawnSpec& spec_;
    std::vector<char*> argv_, envp_;
    std::vector<int> opened_;
    posix_spawn_file_actions_t actions_;
    posix_spawnattr_t attr_;
    int err_ = 0;
};

void WriteAll(int fd, const void* data, std::size_t n) {
    const char* p = static_cast<const char*>(data);
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return;
        p += w;
        n -= static_cast<std::size_t>(w);
    }
}

std::size_t ReadAll(int fd, void* data, std::size_t n) {
    std::size_t got = 0;
    while (got < n) {
        const ssize_t r = ::read(fd, static_cast<char*>(data) + got, n - got);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        got += static_cast<std::size_t>(r);
    }
    return got;
}

}  // namespace

int SpawnChild(const SpawnSpec& spec, pid_t* pid) {
    if (pid == nullptr) return EINVAL;
    PreparedSpawn prepared(spec);
    if (prepared.Error() != 0) return prepared.Error();
    return prepared.Spawn(pid);
}

int SpawnDetached(const SpawnSpec& spec, pid_t* pid) {
    PreparedSpawn prepared(spec);
    if (prepared.Error() != 0) return prepared.Error();
    // The middle process writes {errno of the spawn, the program's pid}.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return errno;
    const pid_t middle = ::fork();
    if (middle < 0) {
        const int err = errno;
        ::close(report[0]);
        ::close(report[1]);
        return err;
    }
    if (middle == 0) {
        ::close(report[0]);
        pid_t program = -1;
        const int words[2] = {prepared.Spawn(&program), static_cast<int>(program)};
        WriteAll(report[1], words, sizeof words);
        ::_exit(0);
    }
    ::close(report[1]);
    int words[2] = {ECHILD, -1};
    const std::size_t got = ReadAll(report[0], words, sizeof words);
    ::close(report[0]);
    int status = 0;
    while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
    if (got != sizeof words) return ECHILD;
    if (words[0] != 0) return words[0];
    if (pid != nullptr) *pid = words[1];
    return 0;
}

std::vector<std::string> ChangedEnvironment(const std::vector<std::pair<std::string, const char*>>& changes) {
    std::vector<std::string> out;
    for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
        const char* eq = std::strchr(*e, '=');
        const std::string name(*e, eq != nullptr ? static_cast<std::size_t>(eq - *e) : std::strlen(*e));
        bool changed = false;
        for (const auto& c : changes) changed = changed || c.first == name;
        if (!changed) out.emplace_back(*e);
    }
    for (const auto& c : changes)
        if (c.second != nullptr) out.push_back(c.first + "=" + c.second);
    return out;
}

}  // namespace portlib::platform
