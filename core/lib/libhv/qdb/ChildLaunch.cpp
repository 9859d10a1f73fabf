// runProgram: everything the child needs is built before the fork, so the
// child (of a process that may have many threads) makes only system calls.
#include "qdbexec.h"
#include "qdberr.h"
#include "qdbpaths.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

std::string DirOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && ::strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

std::string Slashes(std::string s) {
    for (char& c : s)
        if (c == '\\') c = '/';
    return s;
}

// The child's PATH: the event sender's directory, the shell's when it is
// another, then the caller's PATH without those two.
std::string ChildPath(const char* oldPath) {
    std::vector<std::string> front{DirOf(gps(29))};
    const std::string shellDir = DirOf(gps(23));
    if (!SameIgnoringCase(front[0], shellDir)) front.push_back(shellDir);
    std::string path;
    for (const std::string& d : front) {
        if (!path.empty()) path += ':';
        path += d;
    }
    std::string old = oldPath ? oldPath : "";
    std::size_t pos = 0;
    while (pos <= old.size() && !old.empty()) {
        std::size_t colon = old.find(':', pos);
        if (colon == std::string::npos) colon = old.size();
        const std::string entry = old.substr(pos, colon - pos);
        bool dup = false;
        for (const std::string& d : front) dup = dup || entry == d;
        if (!dup && !entry.empty()) path += ':' + entry;
        pos = colon + 1;
    }
    return path;
}

std::vector<std::string> ChildEnvironment(std::string* childPath) {
    std::vector<std::string> env;
    const char* oldPath = nullptr;
    const char* hvroot = nullptr;
    for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
        if (std::strncmp(*e, "PATH=", 5) == 0) {
            oldPath = *e + 5;
        } else if (std::strncmp(*e, "HVROOT=", 7) == 0) {
            hvroot = *e + 7;
        } else {
            env.emplace_back(*e);
        }
    }
    *childPath = ChildPath(oldPath);
    env.push_back("PATH=" + *childPath);
    env.push_back("HVROOT=" + (hvroot ? Slashes(hvroot) : std::string(gps(18))));
    return env;
}

// argv[0] as the kernel is to get it: with a "/" as it is, else the first
// executable regular file of that name in the child's PATH ("" for none).
std::string ResolveProgram(const std::string& name, const std::string& path) {
    if (name.find('/') != std::string::npos) return name;
    std::size_t pos = 0;
    while (pos <= path.size()) {
        std::size_t colon = path.find(':', pos);
        if (colon == std::string::npos) colon = path.size();
        std::string dir = path.substr(pos, colon - pos);
        if (dir.empty()) dir = ".";
        const std::string candidate = dir + "/" + name;
        struct stat st {};
        if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        pos = colon + 1;
    }
    return "";
}

bool ValidRedirections(const hvstartup* s) {
    if (s == nullptr) return true;
    if (s->count < 0 || (s->count > 0 && s->list == nullptr)) return false;
    for (int i = 0; i < s->count; ++i) {
        const redirection& r = s->list[i];
        if (r.target < 0 || r.target > 2) return false;
        switch (r.op) {
        case HV_REDIR_READ:
        case HV_REDIR_WRITE:
        case HV_REDIR_APPEND:
            if (r.path == nullptr) return false;
            break;
        case HV_REDIR_CLOSE: break;
        case HV_REDIR_DUP:
            if (r.source < 0 || r.source > 2) return false;
            break;
        default: return false;
        }
    }
    return true;
}

// A record on the report pipe: 'P' the started program's pid (from the
// middle process of a detached start), 'E' the errno of a failed exec.
struct Report {
    char kind;
    int value;
};

void SendReport(int fd, char kind, int value) {
    const Report r{kind, value};
    ssize_t n = ::write(fd, &r, sizeof r);
    (void)n;
}

struct ChildPlan {
    std::string program;
    std::vector<char*> argv;
    std::vector<char*> envp;
    std::string root;
    bool setNice = false;
    int nice = 0;
    const hvstartup* startup = nullptr;
};

void CloseFrom(unsigned from, unsigned to) {
    if (from > to) return;
    if (::syscall(SYS_close_range, from, to, 0) == 0) return;
    const unsigned last = to < 65535u ? to : 65535u;
    for (unsigned fd = from; fd <= last; ++fd) ::close(static_cast<int>(fd));
}

// Runs in the child: system calls only.
[[noreturn]] void BecomeProgram(const ChildPlan& plan, int reportFd) {
    // Out of the way of the standard descriptors the redirections change.
    if (reportFd <= 2) {
        const int moved = ::fcntl(reportFd, F_DUPFD_CLOEXEC, 3);
        if (moved >= 0) reportFd = moved;
    }
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    for (int sig = 1; sig < NSIG; ++sig) ::sigaction(sig, &dfl, nullptr);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    if (plan.setNice) ::setpriority(PRIO_PROCESS, 0, plan.nice);  // a refusal is ignored
    // A program started elsewhere than its root would find none of its
    // relative paths: the start fails as a failed exec does.
    if (!plan.root.empty() && ::chdir(plan.root.c_str()) != 0) {
        SendReport(reportFd, 'E', errno);
        ::_exit(127);
    }
    if (plan.startup != nullptr) {
        for (int i = 0; i < plan.startup->count; ++i) {
            const redirection& r = plan.startup->list[i];
            int fd = -1;
            switch (r.op) {
            case HV_REDIR_READ: fd = ::open(r.path, O_RDONLY); break;
            case HV_REDIR_WRITE: fd = ::open(r.path, O_RDWR | O_CREAT, 0666); break;
            // Every write lands at the end, whoever else appends meanwhile.
            case HV_REDIR_APPEND: fd = ::open(r.path, O_RDWR | O_CREAT | O_APPEND, 0666); break;
            case HV_REDIR_CLOSE: ::close(r.target); continue;
            case HV_REDIR_DUP:
                if (r.source != r.target) {
                    // A closed source leaves the target closed.
                    if (::dup2(static_cast<int>(r.source), r.target) < 0) ::close(r.target);
                }
                continue;
            }
            if (fd < 0) {
                // A file that cannot be opened leaves the descriptor closed.
                ::close(r.target);
            } else if (fd != r.target) {
                ::dup2(fd, r.target);
                ::close(fd);
            }
        }
    }
    CloseFrom(3, static_cast<unsigned>(reportFd) - 1);
    CloseFrom(static_cast<unsigned>(reportFd) + 1, ~0u);
    ::execve(plan.program.c_str(), plan.argv.data(), plan.envp.data());
    SendReport(reportFd, 'E', errno);
    ::_exit(127);
}

int WaitExit(pid_t pid) {
    int status = 0;
    pid_t r;
    do {
        r = ::waitpid(pid, &status, 0);
    } while (r < 0 && errno == EINTR);
    if (r != pid) return -1;
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

}  // namespace

extern "C" int runProgram(int wait, int set_priority, const char* command_line, const hvstartup* startup) {
    if (command_line == nullptr) return -1;
    std::vector<std::string> args = cfgstore::SplitCommandLine(command_line);
    if (args.empty() || args[0].empty()) return -1;
    if (!ValidRedirections(startup))
        return hv_err(23, 0, QDB_ARGS, "runProgram: a redirection is not one of the five kinds on descriptors 0-2");

    std::string childPath;
    std::vector<std::string> env = ChildEnvironment(&childPath);
    ChildPlan plan;
    plan.program = ResolveProgram(args[0], childPath);
    if (plan.program.empty()) return -1;
    for (std::string& a : args) plan.argv.push_back(a.data());
    plan.argv.push_back(nullptr);
    for (std::string& e : env) plan.envp.push_back(e.data());
    plan.envp.push_back(nullptr);
    plan.root = gps(18);
    if (set_priority) {
        if (std::optional<int> nice = cfgstore::PrioritySetNice(2)) {
            plan.setNice = true;
            plan.nice = *nice;
        }
    }
    plan.startup = startup;

    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return -1;
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(report[0]);
        ::close(report[1]);
        return -1;
    }
    if (child == 0) {
        ::close(report[0]);
        if (wait) BecomeProgram(plan, report[1]);
        // Detached: the program is a grandchild, so nobody has to reap it.
        const pid_t program = ::fork();
        if (program == 0) BecomeProgram(plan, report[1]);
        SendReport(report[1], 'P', program);
        ::_exit(program < 0 ? 1 : 0);
    }
    ::close(report[1]);

    pid_t program = wait ? child : -1;
    bool execFailed = false;
    Report r{};
    for (;;) {
        const ssize_t n = ::read(report[0], &r, sizeof r);
        if (n < 0 && errno == EINTR) continue;
        if (n != static_cast<ssize_t>(sizeof r)) break;
        if (r.kind == 'P') program = r.value;
        if (r.kind == 'E') execFailed = true;
    }
    ::close(report[0]);
    if (!wait) {
        WaitExit(child);
        return execFailed || program <= 0 ? -1 : program;
    }
    const int code = WaitExit(child);
    return execFailed ? -1 : code;
}
