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
        ::dup2(null, 1);
        ::dup2(null, 2);
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

}  // namespace

std::string DetachedProcess::CommandLine(const DetachedSpec& spec) {
    std::string line;
    for (const std::string& a : spec.argv) line += (line.empty() ? "" : " ") + a;
    return line;
}

int DetachedProcess::Start(const DetachedSpec& spec, pid_t* pid) {
    if (spec.argv.empty()) return EINVAL;
    const std::vector<std::string> envStrings = BuildEnvironment(spec);
    std::vector<char*> argv, envp;
    for (const std::string& a : spec.argv) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (const std::string& e : envStrings) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    // The middle process writes the program's pid; the program writes
    // {-1, errno} when it could not start. The exec closes the pipe.
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
        ::setsid();
        const pid_t child = ::fork();
        if (child == 0) ExecProgram(spec, argv.data(), envp.data(), report[1]);
        const int words[2] = {child < 0 ? -1 : static_cast<int>(child), child < 0 ? errno : 0};
        WriteAll(report[1], words, sizeof words);
        ::_exit(0);
    }
    ::close(report[1]);
    int status = 0;
    while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
    int words[4] = {0, 0, 0, 0};
    std::size_t got = 0;
    while (got < sizeof words) {
        const ssize_t n = ::read(report[0], reinterpret_cast<char*>(words) + got, sizeof words - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(report[0]);
    if (got < 2 * sizeof(int)) return ECHILD;
    if (words[0] < 0) return words[1] != 0 ? words[1] : ECHILD;
    if (got >= sizeof words && words[2] == -1) return words[3] != 0 ? words[3] : ECHILD;
    if (pid != nullptr) *pid = words[0];
    return 0;
}

}  // namespace hvsvc
