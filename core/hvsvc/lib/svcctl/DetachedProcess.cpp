#include "DetachedProcess.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace hvsvc {

namespace {

// The environment the program gets, built before the fork: the child of a
// threaded process may only make async-signal-safe calls.
std::vector<std::string> BuildEnvironment(const DetachedSpec& spec) {
    std::vector<std::string> out;
    for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
        const char* eq = std::strchr(*e, '=');
        const std::string name(*e, eq != nullptr ? static_cast<std::size_t>(eq - *e) : std::strlen(*e));
        bool changed = false;
        for (const auto& [n, v] : spec.env) changed = changed || n == name;
        if (!changed) out.emplace_back(*e);
    }
    for (const auto& [n, v] : spec.env)
        if (v != nullptr) out.push_back(n + "=" + v);
    return out;
}

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

// Runs in the program's own process (after two forks): async-signal-safe only.
[[noreturn]] void ExecProgram(const DetachedSpec& spec, char* const* argv, char* const* envp, int report) {
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int sig = 1; sig < NSIG; ++sig) {
        if (sig == SIGKILL || sig == SIGSTOP) continue;
        struct sigaction dfl {};
        dfl.sa_handler = SIG_DFL;
        (void)::sigaction(sig, &dfl, nullptr);
    }
    const int null = ::open("/dev/null", O_RDWR);
    if (null >= 0) {
        ::dup2(null, 0);
        ::dup2(spec.outputFd >= 0 ? spec.outputFd : null, 1);
        ::dup2(spec.outputFd >= 0 ? spec.outputFd : null, 2);
        if (null > 2) ::close(null);
    }
    if (spec.highPriority) (void)::setpriority(PRIO_PROCESS, 0, -5);
    int err = 0;
    if (!spec.workDir.empty() && ::chdir(spec.workDir.c_str()) != 0) err = errno;
    if (err == 0) {
        ::execve(argv[0], argv, envp);
        err = errno;
    }
    const int tagged[2] = {-1, err};
    WriteAll(report, tagged, sizeof tagged);
    ::_exit(127);
}

// The argv and environment arrays of a spec, built before any fork.
struct ExecArrays {
    std::vector<std::string> envStrings;
    std::vector<char*> argv, envp;
    explicit ExecArrays(const DetachedSpec& spec) : envStrings(BuildEnvironment(spec)) {
        for (const std::string& a : spec.argv) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        for (const std::string& e : envStrings) envp.push_back(const_cast<char*>(e.c_str()));
        envp.push_back(nullptr);
    }
};

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

void WaitFor(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

// A fork with a close-on-exec report pipe: in the child (*pid 0) a new
// session and report[1] open; in the caller report[0]. 0, or the errno.
int ForkReporting(int report[2], pid_t* pid) {
    if (::pipe2(report, O_CLOEXEC) != 0) return errno;
    *pid = ::fork();
    if (*pid < 0) {
        const int err = errno;
        ::close(report[0]);
        ::close(report[1]);
        return err;
    }
    if (*pid == 0) {
        ::close(report[0]);
        ::setsid();
    } else {
        ::close(report[1]);
    }
    return 0;
}

}  // namespace

int DetachedProcess::StartChild(const DetachedSpec& spec, pid_t* pid) {
    if (spec.argv.empty() || pid == nullptr) return EINVAL;
    ExecArrays arrays(spec);
    int report[2];
    pid_t child = -1;
    if (const int err = ForkReporting(report, &child)) return err;
    if (child == 0) ExecProgram(spec, arrays.argv.data(), arrays.envp.data(), report[1]);
    int words[2] = {0, 0};
    const std::size_t got = ReadAll(report[0], words, sizeof words);
    ::close(report[0]);
    if (got >= sizeof words && words[0] == -1) {
        WaitFor(child);
        return words[1] != 0 ? words[1] : ECHILD;
    }
    *pid = child;
    return 0;
}

std::string DetachedProcess::CommandLine(const DetachedSpec& spec) {
    std::string line;
    for (const std::string& a : spec.argv) line += (line.empty() ? "" : " ") + a;
    return line;
}

int DetachedProcess::Start(const DetachedSpec& spec, pid_t* pid) {
    if (spec.argv.empty()) return EINVAL;
    ExecArrays arrays(spec);

    // The middle process writes the program's pid; the program writes
    // {-1, errno} when it could not start. The exec closes the pipe.
    int report[2];
    pid_t middle = -1;
    if (const int err = ForkReporting(report, &middle)) return err;
    if (middle == 0) {
        const pid_t child = ::fork();
        if (child == 0) ExecProgram(spec, arrays.argv.data(), arrays.envp.data(), report[1]);
        const int words[2] = {child < 0 ? -1 : static_cast<int>(child), child < 0 ? errno : 0};
        WriteAll(report[1], words, sizeof words);
        ::_exit(0);
    }
    WaitFor(middle);
    int words[4] = {0, 0, 0, 0};
    const std::size_t got = ReadAll(report[0], words, sizeof words);
    ::close(report[0]);
    if (got < 2 * sizeof(int)) return ECHILD;
    if (words[0] < 0) return words[1] != 0 ? words[1] : ECHILD;
    if (got >= sizeof words && words[2] == -1) return words[3] != 0 ? words[3] : ECHILD;
    if (pid != nullptr) *pid = words[0];
    return 0;
}

}  // namespace hvsvc
