// The path administrator under load, in a manager world without pipes:
//   - path status reports with 10 listeners (each report turns into ten
//     notices), beside as many plain request and answer pairs;
//   - 1,000 create-path requests at once against an ALIVE agent that answers
//     at once (a machine, an add-host request and its answer, the create
//     answer, per path), beside 1,000 plain request and answer pairs.
// Both sides run through the same world's dispatch in the same run.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "AnswerWithRetVal.h"
#include "BaseAddrEnt.h"
#include "CommAgentMsgRcvrAddHostReqMsg.h"
#include "MxrAdminCreateCommPathReqMsg.h"
#include "MxrAdminIsAnyCommPathToHostUpReqMsg.h"
#include "MxrAdminReportCommPathStatusReqMsg.h"
#include "MxrWorld.h"
#include "RatioReporter.h"

namespace {

// Counts what it is handed.
class Sink : public BaseMsgRcvr {
public:
    enMsgResult MsgHdlr(const BaseMsgPtr&, const BasePktCtrlPtr&) override {
        ++count;
        return PROCESSED;
    }
    long count = 0;
};

// The plain side: answers a question with 0.
class Answerer : public BaseMsgRcvr {
public:
    enMsgResult MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr&) override {
        AnswerWithRetVal<MxrAdminIsAnyCommPathToHostUpReqMsg, MxrAdminIsAnyCommPathToHostUpRspMsg>(
            msg, [](const MxrAdminIsAnyCommPathToHostUpReqMsgPtr&) { return 0; });
        return PROCESSED;
    }
};

// The agent's end of its pipe: takes every path at once.
class Agent : public BaseMsgRcvr {
public:
    enMsgResult MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr&) override {
        AnswerWithRetVal<CommAgentMsgRcvrAddHostReqMsg, CommAgentMsgRcvrAddHostRspMsg>(
            msg, [](const CommAgentMsgRcvrAddHostReqMsgPtr&) { return 0; });
        return PROCESSED;
    }
};

// The manager's world with one ALIVE TLI agent (pid 100) and a client.
struct Manager {
    MxrWorld world;
    Agent agent;
    Sink client;
    Answerer answerer;
    BaseAddrEntPtr agentRoute{new BaseAddrEnt(bStr("BENCHHOST"), 100, 1, &agent)};
    BaseAddrEntPtr clientRoute{new BaseAddrEnt(bStr("BENCHHOST"), 200, 1, &client)};
    BaseAddrPtr admin{new LogicalAddr(bStr("BENCHHOST"), LogicalAddr::MXRADMIN)};
    BaseAddrPtr from{new BaseAddr(bStr("BENCHHOST"), 200, 1)};
    int tag = 0;

    Manager() { Reset(); }
    ~Manager() { MxrAdmin::ResetClassLists(); }
    void Reset() {
        MxrAdmin::ResetClassLists();
        tag = world.GetMxrAdmin().RegisterCommAgent(100, 1, bStr("BENCHHOST"), CommAgentEnt::TLI, bStr(""));
    }
    void Drain() {
        while (world.GetMsgList().GetItemCnt() > 0) world.ProcessMessages();
    }
    void Send(BaseReqMsg* req) {
        BaseMsgPtr held(req);
        req->SetFrmAddr(from);
        held.Send();
    }
    // A plain question to the answerer, answered to the client.
    void Plain() { Send(new MxrAdminIsAnyCommPathToHostUpReqMsg(answerer.GetAddrPtr(), bStr("x"), bStr("x"))); }
};

// Silences the administrator's and the machines' progress lines.
struct QuietStderr {
    QuietStderr() { std::cerr.setstate(std::ios::failbit); }
    ~QuietStderr() { std::cerr.clear(); }
};

void ReportsAdmin(benchmark::State& state) {
    QuietStderr quiet;
    Manager m;
    m.Send(new MxrAdminCreateCommPathReqMsg(m.admin, bStr("NODEB"), bStr("BENCHHOST"), bStr("NODEB"), CommAgentEnt::TLI,
                                            bStr("eth0"), 1, 4, 3, 0, BaseMsgPtr()));
    m.Drain();
    // The path's connection is up, so that every ALIVE report is an event too.
    m.world.GetMxrAdmin().ReportOutConnComplete(m.tag, bStr("NODEB"), PipeHead::DEAD, bStr("eth0"));
    std::vector<std::unique_ptr<Sink>> listeners;
    for (int i = 0; i < 10; ++i) {
        listeners.emplace_back(new Sink());
        m.world.GetMxrAdmin().RegisterCommPathNotifyStatus(
            CommPathStatusMsgPtr(new CommPathStatusMsg(listeners.back()->GetAddrPtr())));
    }
    int n = 0;
    for (auto _ : state) {
        const auto status = (n++ & 1) ? PipeHead::ALIVE : PipeHead::DEAD;
        m.Send(new MxrAdminReportCommPathStatusReqMsg(m.admin, m.tag, bStr("NODEB"), bStr("eth0"), status));
        m.Drain();
    }
    long notices = 0;
    for (auto& l : listeners) notices += l->count;
    if (notices != 10L * static_cast<long>(state.iterations())) state.SkipWithError("notices lost");
    state.SetItemsProcessed(state.iterations());
}

void ReportsPlain(benchmark::State& state) {
    Manager m;
    for (auto _ : state) {
        m.Plain();
        m.Drain();
    }
    if (m.client.count != static_cast<long>(state.iterations())) state.SkipWithError("answers lost");
    state.SetItemsProcessed(state.iterations());
}

constexpr int kCreates = 1000;

void CreatesAdmin(benchmark::State& state) {
    QuietStderr quiet;
    Manager m;
    // Paths to one host (its remote aliases differ), or each to a host of its
    // own (the administrator's host list is walked per request).
    const bool manyHosts = state.range(0) != 0;
    std::vector<bStr> aliases;
    for (int i = 0; i < kCreates; ++i) aliases.emplace_back(("NODE" + std::to_string(i)).c_str());
    for (auto _ : state) {
        state.PauseTiming();
        m.Reset();
        m.client.count = 0;
        state.ResumeTiming();
        for (const bStr& alias : aliases)
            m.Send(new MxrAdminCreateCommPathReqMsg(m.admin, manyHosts ? alias : bStr("NODEB"), bStr("BENCHHOST"),
                                                    alias, CommAgentEnt::TLI, bStr("eth0"), 1, 4, 3, 0, BaseMsgPtr()));
        m.Drain();
        if (m.client.count != kCreates) state.SkipWithError("answers lost");
    }
    state.SetItemsProcessed(state.iterations() * kCreates);
}

void CreatesPlain(benchmark::State& state) {
    Manager m;
    for (auto _ : state) {
        m.client.count = 0;
        for (int i = 0; i < kCreates; ++i) m.Plain();
        m.Drain();
        if (m.client.count != kCreates) state.SkipWithError("answers lost");
    }
    state.SetItemsProcessed(state.iterations() * kCreates);
}

}  // namespace

int main(int argc, char** argv) {
    // This process is the manager: set before any receiver is made.
    ::setenv("MXRHOSTNAME", "BENCHHOST", 1);
    BaseAddr::SetMxrWorldFlg(1);
    benchmark::Initialize(&argc, argv);
    using benchmark::RegisterBenchmark;
    RegisterBenchmark("Report/10listeners/admin", ReportsAdmin)->Unit(benchmark::kMicrosecond);
    RegisterBenchmark("Report/10listeners/plain", ReportsPlain)->Unit(benchmark::kMicrosecond);
    RegisterBenchmark("Create/1000/admin", CreatesAdmin)->Arg(0)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("Create/1000/1000hosts/admin", CreatesAdmin)->Arg(1)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("Create/1000/plain", CreatesPlain)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("Create/1000/1000hosts/plain", CreatesPlain)->Unit(benchmark::kMillisecond);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios("administrator / plain request and answer pairs (real time)",
                         {"Report/10listeners", "Create/1000", "Create/1000/1000hosts"}, "/admin", "/plain");
    benchmark::Shutdown();
    return 0;
}
