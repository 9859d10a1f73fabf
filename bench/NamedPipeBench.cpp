// Named pipes of the platform layer against a plain socketpair(SOCK_SEQPACKET)
// doing the same work in the same run:
//   Stream: 100,000 messages of 520 bytes through one connection
//           (a writer thread, the reader on the benchmark's thread);
//   RoundTrip: one 520-byte message to an echo thread and back.
// The ratio layer/plain of each pair is printed at the end.
#include "BenchSystemDir.h"
#include "platform/NamedPipe.h"
#include "RatioReporter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace portlib::platform;

namespace {

constexpr std::size_t kMessage = 520;
constexpr int kStreamCount = 100000;

// One connection, either through the layer or a bare socketpair.
struct Connection {
    int a = -1;  // writer / client
    int b = -1;  // reader / echo side
    bool layer = false;
};

Connection OpenLayer(NamedPipeListener* listener) {
    Connection c;
    c.layer = true;
    PipeListenOptions lo;
    lo.nonBlocking = false;
    if (listener->Create(R"(\\.\pipe\benchpipe)", lo) != 0) std::abort();
    if (PipeConnect(R"(\\.\pipe\benchpipe)", {5000, PipeReadMode::Message, false}, &c.a) != 0) std::abort();
    if (listener->Accept(&c.b, 5000) != 0) std::abort();
    return c;
}

Connection OpenPlain() {
    Connection c;
    int sv[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, sv) != 0) std::abort();
    c.a = sv[0];
    c.b = sv[1];
    return c;
}

void Close(Connection& c) {
    if (c.layer) {
        PipeClose(c.a);
        PipeClose(c.b);
    } else {
        ::close(c.a);
        ::close(c.b);
    }
}

bool Send(const Connection& c, int fd, const char* buf, std::size_t n) {
    if (c.layer) {
        std::size_t w = 0;
        return PipeWrite(fd, buf, n, &w) == 0;
    }
    return ::send(fd, buf, n, MSG_NOSIGNAL) == static_cast<ssize_t>(n);
}

// Bytes of one message, or -1 at the end.
long Receive(const Connection& c, int fd, char* buf, std::size_t n) {
    if (c.layer) {
        std::size_t got = 0;
        return PipeRead(fd, buf, n, &got) == 0 ? static_cast<long>(got) : -1;
    }
    ssize_t got = ::recv(fd, buf, n, 0);
    return got > 0 ? got : -1;
}

void Stream(benchmark::State& state, bool layer) {
    BenchSystemDir sys;
    NamedPipeListener listener;
    Connection c = layer ? OpenLayer(&listener) : OpenPlain();
    std::vector<char> out(kMessage, 'x'), in(kMessage);
    for (auto _ : state) {
        std::thread writer([&] {
            for (int i = 0; i < kStreamCount; ++i)
                if (!Send(c, c.a, out.data(), out.size())) std::abort();
        });
        for (int i = 0; i < kStreamCount; ++i)
            if (Receive(c, c.b, in.data(), in.size()) != static_cast<long>(kMessage)) std::abort();
        writer.join();
    }
    state.SetItemsProcessed(state.iterations() * kStreamCount);
    state.SetBytesProcessed(state.iterations() * kStreamCount * static_cast<long>(kMessage));
    Close(c);
}

void RoundTrip(benchmark::State& state, bool layer) {
    BenchSystemDir sys;
    NamedPipeListener listener;
    Connection c = layer ? OpenLayer(&listener) : OpenPlain();
    std::thread echo([&] {
        std::vector<char> buf(kMessage);
        for (;;) {
            long n = Receive(c, c.b, buf.data(), buf.size());
            if (n <= 0 || !Send(c, c.b, buf.data(), static_cast<std::size_t>(n))) return;
        }
    });
    std::vector<char> out(kMessage, 'y'), in(kMessage);
    for (auto _ : state) {
        if (!Send(c, c.a, out.data(), out.size())) std::abort();
        if (Receive(c, c.a, in.data(), in.size()) != static_cast<long>(kMessage)) std::abort();
    }
    // Hang the echo side up so that its thread ends.
    ::shutdown(c.a, SHUT_RDWR);
    echo.join();
    Close(c);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::RegisterBenchmark("Stream100k_520B/plain", Stream, false)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("Stream100k_520B/namedpipe", Stream, true)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("RoundTrip_520B/plain", RoundTrip, false)->Unit(benchmark::kMicrosecond)->UseRealTime();
    benchmark::RegisterBenchmark("RoundTrip_520B/namedpipe", RoundTrip, true)->Unit(benchmark::kMicrosecond)->UseRealTime();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios("layer / plain socketpair (real time; aim: within 1.5x)",
                         {"Stream100k_520B", "RoundTrip_520B"}, "/namedpipe", "/plain");
    benchmark::Shutdown();
    return 0;
}
