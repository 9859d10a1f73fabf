// qdbdorem: a minimal stand-in for the remote-execution program that the
// database daemon starts for a remote 'a' request. It runs its -c command
// with /bin/sh, then answers the requester's mailbox (-b) on its system
// (-d) with '$', the command's output, the marker, the exit status, the
// marker and the command's error output.
#include "BaseAddr.h"
#include "Message.h"
#include "ProxyPostOffice.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
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

// Runs the command; its two outputs (each cut at its bound) and its status.
int RunCommand(const std::string& command, std::string* out, std::string* err) {
    int po[2], pe[2];
    if (::pipe2(po, O_CLOEXEC) != 0 || ::pipe2(pe, O_CLOEXEC) != 0) return -1;
    const pid_t pid = ::fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        ::dup2(po[1], 1);
        ::dup2(pe[1], 2);
        ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(po[1]);
    ::close(pe[1]);
    struct pollfd fds[2] = {{po[0], POLLIN, 0}, {pe[0], POLLIN, 0}};
    std::string* sinks[2] = {out, err};
    const std::size_t bounds[2] = {kOutMax, kErrMax};
    int open = 2;
    char buf[8192];
    while (open > 0) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (int k = 0; k < 2; ++k) {
            if (fds[k].fd < 0 || fds[k].revents == 0) continue;
            const ssize_t n = ::read(fds[k].fd, buf, sizeof buf);
            if (n > 0) {
                const std::size_t room = bounds[k] - std::min(bounds[k], sinks[k]->size());
                sinks[k]->append(buf, std::min(room, static_cast<std::size_t>(n)));
            } else if (n == 0 || errno != EINTR) {
                ::close(fds[k].fd);
                fds[k].fd = -1;
                --open;
            }
        }
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
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
