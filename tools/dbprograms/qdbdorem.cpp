// qdbdorem: a minimal stand-in for the remote-execution program that the
// database daemon starts for a remote 'a' request. It runs its -c command
// with /bin/sh, then answers the requester's mailbox (-b) on its system
// (-d) with '$', the command's output, the marker, the exit status, the
// marker and the command's error output.
#include "BaseAddr.h"
#include "Message.h"
#include "ProxyPostOffice.h"
#include "platform/ProgramSpawn.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/syscall.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const char* const kUsage =
    "usage: qdbdorem -d<system> -b<mailbox> -c<command>\n"
    "\n"
    "A minimal stand-in for the remote-execution program: it runs command\n"
    "with /bin/sh -c and sends one answer to mailbox on system through this\n"
    "system's manager: '$', the command's standard output, \"!!err@\\x03@buf!!\",\n"
    "the exit status, the same marker, the command's error output (together at\n"
    "most 500,000 bytes; longer output is cut).\n"
    "\n"
    "Exit status: 0 answered; 1 bad command line; 2 the answer could not be sent.\n";

constexpr char kMarker[] = "!!err@\x03@buf!!";
constexpr std::size_t kOutMax = 400000, kErrMax = 90000;
// What is read after the shell has ended, at most.
constexpr std::size_t kDrainMax = 1 << 20;
// What one turn of the wait reads from one output, at most.
constexpr std::size_t kTurnMax = 1 << 16;

// An option's value: attached ("-dSYS") or the next argument.
bool Option(int argc, char** argv, int* i, char letter, std::string* value) {
    const char* a = argv[*i];
    if (a[0] != '-' || a[1] != letter) return false;
    if (a[2] != '\0') {
        *value = a + 2;
    } else if (*i + 1 < argc) {
        *value = argv[++*i];
    } else {
        return false;
    }
    return true;
}

// A descriptor closed when it goes out of scope.
struct Fd {
    int fd = -1;
    Fd() = default;
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { Close(); }
    void Close() {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
};

bool MakePipe(Fd* read, Fd* write) {
    int p[2];
    if (::pipe2(p, O_CLOEXEC) != 0) return false;
    read->fd = p[0];
    write->fd = p[1];
    return ::fcntl(p[0], F_SETFL, O_NONBLOCK) == 0;
}

// One of the command's outputs, kept up to its bound.
struct Sink {
    Fd pipe;
    std::string* text;
    std::size_t bound;
    // Reads what is there now, at most *budget bytes (counted down): false
    // once the pipe has ended or failed.
    bool Read(std::size_t* budget) {
        char buf[8192];
        while (*budget > 0) {
            const ssize_t n = ::read(pipe.fd, buf, std::min(sizeof buf, *budget));
            if (n > 0) {
                const std::size_t room = bound - std::min(bound, text->size());
                text->append(buf, std::min(room, static_cast<std::size_t>(n)));
                *budget -= static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno == EAGAIN) return true;
            pipe.Close();
            return false;
        }
        return true;
    }
};

int ExitStatus(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

// Runs the command with /bin/sh -c, its input on /dev/null; its two outputs
// (each cut at its bound) and its status. The shell is watched through a
// pidfd: once it has ended, what the outputs hold is read, at most kDrainMax
// bytes, and the answer goes, even while a program it left in the background
// still holds them open.
int RunCommand(const std::string& command, std::string* out, std::string* err) {
    Sink sinks[2] = {{{}, out, kOutMax}, {{}, err, kErrMax}};
    Fd writeEnds[2];
    for (int k = 0; k < 2; ++k)
        if (!MakePipe(&sinks[k].pipe, &writeEnds[k])) return -1;
    portlib::platform::SpawnSpec spec;
    spec.program = "/bin/sh";
    spec.argv = {"sh", "-c", command};
    spec.env = portlib::platform::ChangedEnvironment({});
    spec.redirects = {{portlib::platform::StdRedirect::kNull, 0}};
    for (int k = 0; k < 2; ++k) {
        portlib::platform::StdRedirect r{portlib::platform::StdRedirect::kDup, k + 1};
        r.source = writeEnds[k].fd;
        spec.redirects.push_back(r);
    }
    pid_t pid = -1;
    if (portlib::platform::SpawnChild(spec, &pid) != 0) return -1;
    for (Fd& w : writeEnds) w.Close();
    Fd shell;
    shell.fd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    for (;;) {
        struct pollfd fds[3] = {{sinks[0].pipe.fd, POLLIN, 0}, {sinks[1].pipe.fd, POLLIN, 0}, {shell.fd, POLLIN, 0}};
        // Without a pidfd the outputs' end is the command's end.
        if (fds[0].fd < 0 && fds[1].fd < 0) break;
        if (::poll(fds, 3, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (int k = 0; k < 2; ++k) {
            std::size_t turn = kTurnMax;
            if (fds[k].revents != 0) sinks[k].Read(&turn);
        }
        if (fds[2].revents != 0) break;
    }
    std::size_t budget = kDrainMax;
    for (Sink& s : sinks)
        if (s.pipe.fd >= 0) s.Read(&budget);
    return ExitStatus(pid);
}

}  // namespace

int main(int argc, char** argv) {
    std::string sys, mbox, command;
    bool haveCommand = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (Option(argc, argv, &i, 'd', &sys) || Option(argc, argv, &i, 'b', &mbox)) continue;
        if (Option(argc, argv, &i, 'c', &command)) {
            haveCommand = true;
            continue;
        }
        std::fprintf(stderr, "qdbdorem: unknown argument \"%s\"\n\n%s", argv[i], kUsage);
        return 1;
    }
    if (sys.empty() || mbox.empty() || !haveCommand) {
        std::fprintf(stderr, "qdbdorem: -d, -b and -c are needed\n\n%s", kUsage);
        return 1;
    }
    std::string out, err;
    const int status = RunCommand(command, &out, &err);
    std::string answer = "$" + out + kMarker + std::to_string(status) + kMarker + err;

    ProxyPostOffice proxy;
    MessagePtr msg(new Message());
    msg->SetDataStr(bStr::FromBytes(answer.data(), static_cast<int>(answer.size())));
    msg->SetReplyToSys(BaseAddr::GetCurrentHost());
    msg->SetReplyToMbox(bStr("configuration"));
    if (proxy.SendToMboxAsynch(bStr(sys.c_str()), bStr(mbox.c_str()), msg) != Message::OKAY) {
        std::fprintf(stderr, "qdbdorem: cannot answer %s on %s\n", mbox.c_str(), sys.c_str());
        return 2;
    }
    std::printf("qdbdorem: \"%s\" ended with %d, answered %s on %s\n", command.c_str(), status, mbox.c_str(),
                sys.c_str());
    return 0;
}
