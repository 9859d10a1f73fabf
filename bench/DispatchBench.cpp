// Local messages through the world: Send (queue on the world) and the
// dispatch step (resolve the to-address, hand the message to its receiver)
// with function tracing off, beside a plain std::deque push/pop of the same
// message pointers. Items per second are messages.
#include <benchmark/benchmark.h>

#include <deque>
#include <vector>

#include "BaseAddr.h"
#include "BaseMsgRcvr.h"
#include "BaseWorld.h"
#include "ClassDefine.h"
#include "FuncInfo.h"

class CountingRcvr : public BaseMsgRcvr {
    MXR_LOCAL_CLASS(CountingRcvr, BaseMsgRcvr);
    MXR_FIELDS();

public:
    enMsgResult MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr&) override {
        benchmark::DoNotOptimize(msg.BasePtr::GetPtr());
        ++handled;
        return PROCESSED;
    }
    long handled = 0;
};
MXR_LOCAL_CLASS_DEFINE(CountingRcvr);

namespace {

constexpr int kBatch = 1000;

// The messages of one batch, all to one receiver of this thread.
std::vector<BaseMsgPtr> MakeBatch(CountingRcvr& rcvr) {
    std::vector<BaseMsgPtr> msgs;
    for (int i = 0; i < kBatch; ++i) {
        BaseMsgPtr m(new BaseMsg());
        m->SetToAddr(rcvr.GetAddrPtr());
        msgs.push_back(m);
    }
    return msgs;
}

void BM_WorldSendAndDispatch(benchmark::State& state) {
    FuncInfo::SetTraceFlag(-1);
    BaseAddr::SetMxrWorldFlg(1);  // the manager's view: no gate to wait for
    BaseWorld world;
    world.SetMsgsPerSegment(static_cast<int>(state.range(0)));
    CountingRcvr rcvr;
    std::vector<BaseMsgPtr> msgs = MakeBatch(rcvr);
    for (auto _ : state) {
        for (const BaseMsgPtr& m : msgs) m.Send();
        while (world.GetMsgList().GetItemCnt() > 0) world.ProcessMessages();
    }
    if (rcvr.handled != static_cast<long>(state.iterations()) * kBatch) state.SkipWithError("messages lost");
    state.SetItemsProcessed(state.iterations() * kBatch);
}

void BM_DequePushPop(benchmark::State& state) {
    FuncInfo::SetTraceFlag(-1);
    BaseAddr::SetMxrWorldFlg(1);
    BaseWorld world;
    CountingRcvr rcvr;
    std::vector<BaseMsgPtr> msgs = MakeBatch(rcvr);
    std::deque<BaseMsgPtr> queue;
    for (auto _ : state) {
        for (const BaseMsgPtr& m : msgs) queue.push_back(m);
        while (!queue.empty()) {
            benchmark::DoNotOptimize(queue.front().BasePtr::GetPtr());
            queue.pop_front();
        }
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
}

}  // namespace

// 20 per turn is the world's default; 1000 empties the batch in one turn.
BENCHMARK(BM_WorldSendAndDispatch)->Arg(20)->Arg(1000);
BENCHMARK(BM_DequePushPop);

BENCHMARK_MAIN();
