// The cluster service's pipes against bare named-pipe round trips doing the
// same exchanges in the same run:
//   StoreClear: one shared-memory store and one clear through the
//               object-persistence server (two connections, each one request
//               and its reply), 10,000 times;
//   Status:     one status request on the control pipe.
// The bare side connects, writes a request of the same size, reads a reply
// of the same size from an echo thread and closes.
#include "BenchSystemDir.h"
#include "RatioReporter.h"

#include "ControlPipeServer.h"
#include "PauseGate.h"
#include "PreserveClient.h"
#include "PreserveServer.h"
#include "ServiceCodes.h"
#include "ServiceControlClient.h"

#include "platform/NamedPipe.h"
#include "platform/SharedSegment.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <thread>

using namespace portlib::platform;

namespace {

constexpr const char* kEchoPipe = R"(\\.\pipe\benchecho)";
constexpr const char* kSegment = "bench-seg";

// The bare server: one request message per connection, answered by a reply
// of the size its first byte names.
void EchoServer(NamedPipeListener* listener, std::atomic<bool>* stop) {
    while (!stop->load()) {
        int fd = -1;
        if (listener->Accept(&fd, 50) != 0) continue;
        unsigned char req[512];
        std::size_t got = 0;
        if (PipeRead(fd, req, sizeof req, &got) == 0 && got > 0) {
            unsigned char reply[16] = {};
            std::size_t written = 0;
            PipeWrite(fd, reply, req[0], &written);
        }
        PipeClose(fd);
    }
}

// One bare round trip: request of `size` bytes, reply of `replySize`.
void BareRoundTrip(std::size_t size, unsigned char replySize) {
    int fd = -1;
    if (PipeConnect(kEchoPipe, {1500, PipeReadMode::Byte, false}, &fd) != 0) std::abort();
    unsigned char req[512] = {replySize};
    std::size_t n = 0;
    PipeWrite(fd, req, size, &n);
    unsigned char reply[16];
    std::size_t got = 0, done = 0;
    while (done < replySize && PipeRead(fd, reply + done, replySize - done, &got) == 0) done += got;
    PipeClose(fd);
}

void BM_StoreClearOurs(benchmark::State& state) {
    for (auto _ : state) {
        if (portlib::PreserveShm(kSegment) != 0 || portlib::ClearShm(kSegment, 0) != 0) std::abort();
    }
}

void BM_StoreClearBare(benchmark::State& state) {
    // The same bytes: header, length and name out, a 12-byte reply in; twice.
    const std::size_t request = 12 + 4 + std::strlen(kSegment) + 1;
    for (auto _ : state) {
        BareRoundTrip(request, 12);
        BareRoundTrip(request, 12);
    }
}

void BM_StatusOurs(benchmark::State& state) {
    for (auto _ : state) {
        std::uint32_t s = 0;
        if (hvsvc::ServiceControlClient::Send(hvsvc::kControlInterrogate, &s, nullptr) != 0) std::abort();
    }
}

void BM_StatusBare(benchmark::State& state) {
    for (auto _ : state) BareRoundTrip(4, 4);
}

BENCHMARK(BM_StoreClearOurs)->Iterations(10000)->UseRealTime();
BENCHMARK(BM_StoreClearBare)->Iterations(10000)->UseRealTime();
BENCHMARK(BM_StatusOurs)->UseRealTime();
BENCHMARK(BM_StatusBare)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    BenchSystemDir sys;
    SharedSegment seg;
    if (seg.Create(kSegment, 4096) != 0 || seg.Publish() != 0) std::abort();

    hvsvc::PauseGate gate;
    std::thread preserve([&] { hvsvc::PreserveServer(gate).Run(); });
    hvsvc::ControlPipeServer control;
    if (control.Open() != 0) std::abort();
    control.Start([](std::uint32_t) { return static_cast<std::uint32_t>(hvsvc::kStateRunning); });
    NamedPipeListener echo;
    PipeListenOptions lo;
    lo.nonBlocking = false;
    if (echo.Create(kEchoPipe, lo) != 0) std::abort();
    std::atomic<bool> stop{false};
    std::thread echoThread(EchoServer, &echo, &stop);
    // The object-persistence server is up once it answers.
    while (portlib::IsShmPreserved(kSegment) != static_cast<int>(portlib::kPreserveStatusNotFound)) {
    }

    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios("service pipes / bare named-pipe round trips (real time)", {"BM_StoreClear", "BM_Status"},
                         "Ours", "Bare");

    stop = true;
    echoThread.join();
    gate.Stop();
    preserve.join();
    control.Close();
    return 0;
}
