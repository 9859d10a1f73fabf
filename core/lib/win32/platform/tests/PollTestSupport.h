// Real descriptors for the poll tests: a pty pair, a TCP connection on
// loopback, a Unix-domain message pair, and the clocks the tests measure with.
#pragma once

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include "platform/NamedPipe.h"

namespace polltest {

inline void CloseFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

// A pseudo-terminal: master and slave, the slave in raw mode (a serial line).
struct PtyPair {
    int master = -1;
    int slave = -1;
    PtyPair() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) std::abort();
        char name[128];
        if (::ptsname_r(master, name, sizeof name) != 0) std::abort();
        slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (slave < 0) std::abort();
        termios t;
        ::tcgetattr(slave, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(slave, TCSANOW, &t);
    }
    ~PtyPair() {
        CloseFd(master);
        CloseFd(slave);
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;
};

// A TCP socket bound to a free port of 127.0.0.1 (listening when listens),
// its address in *a.
inline int BoundLoopbackSocket(sockaddr_in* a, bool listens) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    *a = sockaddr_in{};
    a->sin_family = AF_INET;
    a->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof *a;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(a), sizeof *a) != 0 || (listens && ::listen(fd, 1) != 0) ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(a), &len) != 0)
        std::abort();
    return fd;
}

// A connected TCP pair on 127.0.0.1.
struct TcpPair {
    int client = -1;
    int server = -1;
    TcpPair() {
        sockaddr_in a;
        const int lis = BoundLoopbackSocket(&a, true);
        client = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (client < 0 || ::connect(client, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) std::abort();
        server = ::accept4(lis, nullptr, nullptr, SOCK_CLOEXEC);
        if (server < 0) std::abort();
        ::close(lis);
    }
    ~TcpPair() {
        CloseFd(client);
        CloseFd(server);
    }
    TcpPair(const TcpPair&) = delete;
    TcpPair& operator=(const TcpPair&) = delete;

    // Closes the client with a reset instead of an orderly end.
    void ResetClient() {
        linger l{1, 0};
        ::setsockopt(client, SOL_SOCKET, SO_LINGER, &l, sizeof l);
        CloseFd(client);
    }
};

// A connected Unix-domain message pair (SOCK_SEQPACKET), as named pipes are.
struct SeqPair {
    int a = -1, b = -1;
    SeqPair() {
        int sv[2];
        if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, sv) != 0) std::abort();
        a = sv[0];
        b = sv[1];
    }
    ~SeqPair() {
        if (a >= 0) portlib::platform::PipeClose(a);
        if (b >= 0) portlib::platform::PipeClose(b);
    }
    SeqPair(const SeqPair&) = delete;
    SeqPair& operator=(const SeqPair&) = delete;
};

// CPU time (user + system) used by the calling thread, in milliseconds.
inline double ThreadCpuMs() {
    rusage ru{};
    ::getrusage(RUSAGE_THREAD, &ru);
    return (ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1000.0 + (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1000.0;
}

class Stopwatch {
public:
    Stopwatch() : start_(std::chrono::steady_clock::now()) {}
    double ElapsedMs() const {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_).count();
    }

private:
    std::chrono::steady_clock::time_point start_;
};

}  // namespace polltest
