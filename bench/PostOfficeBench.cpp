// The post office through its proxy, against the stand-in manager program
// (hvmanager, started by this benchmark on a fresh system directory), beside
// the same exchange over the bare named-pipe layer in the same run (an echo
// thread per connection sends each pipe message straight back):
//   RoundTrip: 10,000 synchronous IsMboxEmpty calls, each timed: median
//              and 99th percentile; the baseline echoes the request's own
//              packet bytes.
//   Exchange:  50 threads x 1,000 send/receive pairs; thread t sends to the
//              mailbox of thread t+1 and receives from its own, and checks
//              that every letter comes from its neighbour, in order: none
//              lost, none at the wrong thread. The baseline makes two echo
//              round trips per pair with the send request's packet bytes.
//   Create20k: 20,000 mailboxes created one after the other (each create
//              first looks the name up); the baseline makes
//              20,000 echo round trips with the create request's bytes.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "BenchManager.h"
#include "LatencyLoop.h"
#include "LogicalAddr.h"
#include "PipePktCtrl.h"
#include "PostOfficeCreateMailBoxReqMsg.h"
#include "PostOfficeIsMboxEmptyReqMsg.h"
#include "PostOfficeSendToMboxReqMsg.h"
#include "ProxyPostOffice.h"
#include "platform/NamedPipe.h"

using namespace portlib::platform;

namespace {

constexpr int kRoundTrips = 10000;
constexpr int kThreads = 50;
constexpr int kPairs = 1000;
const char* const kEchoPipe = R"(\\.\pipe\hv_bench_echo)";

// The first packet of a request as the proxy writes it.
std::string PacketOf(BaseMsgPtr req) {
    req->SetFrmAddr(BaseAddrPtr(new BaseAddr()));
    PipePktCtrl c;
    c.SetDirection(BasePktCtrl::INTOPKT);
    c.SetPktCtrlId(1);
    req->Serialize(c);
    c.SetOffset(0);
    BasePktBufrPtr p = c.GetFirstPktBufr();
    return std::string(p->GetSendRecvAddr(), static_cast<size_t>(p->GetSendSize()));
}

BaseAddrPtr PostOffice() { return BaseAddrPtr(new LogicalAddr(bStr("BENCH"), LogicalAddr::MXRPOSTOFFICE)); }

// Echoes every pipe message on every connection of the echo pipe.
class EchoServer {
public:
    EchoServer() {
        PipeListenOptions o;
        o.nonBlocking = false;
        if (listener.Create(kEchoPipe, o) != 0) std::abort();
        acceptor = std::thread([this] {
            while (!stop) {
                int fd = -1;
                if (listener.Accept(&fd, 20) != 0) continue;
                echoes.emplace_back([fd] {
                    char buf[1024];
                    for (;;) {
                        std::size_t n = 0, w = 0;
                        if (PipeRead(fd, buf, sizeof buf, &n) != 0 || PipeWrite(fd, buf, n, &w) != 0) break;
                    }
                    PipeClose(fd);
                });
            }
        });
    }
    ~EchoServer() {
        stop = true;
        acceptor.join();
        for (std::thread& t : echoes) t.join();  // each ends when its client hangs up
    }

private:
    NamedPipeListener listener;
    std::atomic<bool> stop{false};
    std::thread acceptor;
    std::vector<std::thread> echoes;
};

int ConnectEcho() {
    int fd = -1;
    if (PipeConnect(kEchoPipe, {5000, PipeReadMode::Message, false}, &fd) != 0) std::abort();
    return fd;
}

// One echo round trip of bytes; false when it failed or came back changed.
bool Echo(int fd, const std::string& bytes, char* buf, std::size_t size) {
    std::size_t w = 0, n = 0;
    return PipeWrite(fd, bytes.data(), bytes.size(), &w) == 0 && PipeRead(fd, buf, size, &n) == 0 &&
           n == bytes.size() && std::memcmp(buf, bytes.data(), n) == 0;
}

void RoundTripPostOffice(benchmark::State& state) {
    ProxyPostOffice po;
    po.CreateMailBox("rt");
    for (auto _ : state) TimeEachCall(state, kRoundTrips, [&] { return po.IsMboxEmpty("rt") == Message::OKAY; });
    po.RemoveMailBox("rt");
}

void RoundTripBarePipe(benchmark::State& state) {
    EchoServer echo;
    const int fd = ConnectEcho();
    const std::string request = PacketOf(BaseMsgPtr(new PostOfficeIsMboxEmptyReqMsg(PostOffice(), "rt")));
    char buf[1024];
    for (auto _ : state) TimeEachCall(state, kRoundTrips, [&] { return Echo(fd, request, buf, sizeof buf); });
    PipeClose(fd);
}

// Appending in place: GCC 12 warns falsely about "x" + std::to_string(t).
std::string MailboxName(int t) {
    std::string name = "x";
    name += std::to_string(t);
    return name;
}

void ExchangePostOffice(benchmark::State& state) {
    {
        ProxyPostOffice po;
        for (int t = 0; t < kThreads; ++t) po.CreateMailBox(MailboxName(t).c_str());
    }
    for (auto _ : state) {
        std::atomic<long> delivered{0}, lost{0}, misdelivered{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&, t] {
                ProxyPostOffice po;
                const std::string mine = MailboxName(t);
                const std::string next = MailboxName((t + 1) % kThreads);
                const std::string from = std::to_string((t + kThreads - 1) % kThreads) + ":";
                for (int i = 0; i < kPairs; ++i) {
                    const std::string text = std::to_string(t) + ":" + std::to_string(i);
                    if (po.SendToMbox("BENCH", next.c_str(), MessagePtr(new Message(text.c_str()))) != Message::OKAY)
                        ++lost;
                    const MessagePtr got = po.RcvFromMbox(mine.c_str(), 0);
                    if (got->GetLastErr() != Message::OKAY)
                        ++lost;
                    else if (got->GetDataStr() != bStr((from + std::to_string(i)).c_str()))
                        ++misdelivered;
                    else
                        ++delivered;
                }
            });
        }
        for (std::thread& th : threads) th.join();
        state.counters["delivered"] = static_cast<double>(delivered);
        state.counters["lost"] = static_cast<double>(lost);
        state.counters["misdelivered"] = static_cast<double>(misdelivered);
        if (delivered != kThreads * kPairs) state.SkipWithError("letters lost or misdelivered");
    }
    state.SetItemsProcessed(state.iterations() * kThreads * kPairs);
}

void ExchangeBarePipe(benchmark::State& state) {
    EchoServer echo;
    const std::string send =
        PacketOf(BaseMsgPtr(new PostOfficeSendToMboxReqMsg(PostOffice(), "x1", BaseMsgPtr(new Message("0:0")))));
    const std::string rcv = PacketOf(BaseMsgPtr(new PostOfficeIsMboxEmptyReqMsg(PostOffice(), "x0")));
    for (auto _ : state) {
        std::atomic<long> ok{0}, bad{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&] {
                const int fd = ConnectEcho();
                char buf[1024];
                for (int i = 0; i < kPairs; ++i) {
                    if (Echo(fd, send, buf, sizeof buf) && Echo(fd, rcv, buf, sizeof buf))
                        ++ok;
                    else
                        ++bad;
                }
                PipeClose(fd);
            });
        }
        for (std::thread& th : threads) th.join();
        state.counters["delivered"] = static_cast<double>(ok);
        state.counters["lost"] = static_cast<double>(bad);
        if (ok != kThreads * kPairs) state.SkipWithError("echoes lost");
    }
    state.SetItemsProcessed(state.iterations() * kThreads * kPairs);
}

constexpr int kMailBoxes = 20000;

void Create20kPostOffice(benchmark::State& state) {
    ProxyPostOffice po;
    for (auto _ : state) {
        int failures = 0;
        for (int i = 0; i < kMailBoxes; ++i)
            if (po.CreateMailBox(MailboxName(1000 + i).c_str()) != Message::OKAY) ++failures;
        state.PauseTiming();
        for (int i = 0; i < kMailBoxes; ++i) po.RemoveMailBox(MailboxName(1000 + i).c_str());
        state.counters["failures"] = failures;
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kMailBoxes);
}

void Create20kBarePipe(benchmark::State& state) {
    EchoServer echo;
    const int fd = ConnectEcho();
    const std::string request = PacketOf(BaseMsgPtr(new PostOfficeCreateMailBoxReqMsg(PostOffice(), "x1000")));
    char buf[1024];
    for (auto _ : state) {
        int failures = 0;
        for (int i = 0; i < kMailBoxes; ++i)
            if (!Echo(fd, request, buf, sizeof buf)) ++failures;
        state.counters["failures"] = failures;
    }
    state.SetItemsProcessed(state.iterations() * kMailBoxes);
    PipeClose(fd);
}

}  // namespace

int main(int argc, char** argv) {
    BenchManager manager(HV_MANAGER_BIN);
    benchmark::RegisterBenchmark("RoundTrip10k_IsMboxEmpty/postoffice", RoundTripPostOffice)
        ->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("RoundTrip10k_IsMboxEmpty/barepipe", RoundTripBarePipe)
        ->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("Exchange50x1000_SendReceive/postoffice", ExchangePostOffice)
        ->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("Exchange50x1000_SendReceive/barepipe", ExchangeBarePipe)
        ->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("Create20k_MailBoxes/postoffice", Create20kPostOffice)
        ->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("Create20k_MailBoxes/barepipe", Create20kBarePipe)
        ->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
