// A message on its way between two processes, without the pipe: encode into a
// packet controller, take the packets as the sender does, copy each into a
// receiving packet as a pipe read would, assemble, decode. Beside it, a plain
// memcpy of the same stream in the same run. Messages of about 1 KB and 5 MB
// (5,000,000 bytes: a receiver assembles at most 10000 packets of 512),
// each as one object with a text payload (cost per byte) and as a tree of small
// objects (cost per field and object).
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "ClassDefine.h"
#include "ClassPattern.h"
#include "PipePktBufr.h"
#include "PipePktCtrl.h"
#include "bStr.h"

// A message: a sequence number, a text payload and two further objects.
class BenchBlob : public BaseVirtItem {
    MXR_CLASS(BenchBlob, BaseVirtItem);
    MXR_FIELDS(MXR_FIELD("seq", seq), MXR_FIELD("payload", payload), MXR_FIELD("left", left),
               MXR_FIELD("right", right));

public:
    int seq = 0;
    bStr payload;
    BasePtr left;
    BasePtr right;
};
MXR_COMPANIONS(BenchBlob);

MXR_CLASS_DEFINE(BenchBlob);

namespace {

// One transfer: encode, packetize, "send" (copy each packet into a fresh
// receive packet), assemble, decode. Returns the stream size.
int RoundTrip(BenchBlob& msg, BenchBlob& out) {
    PipePktCtrl w;
    w.SetPktCtrlId(9);
    msg.Serialize(w);
    const int size = w.GetOffset();
    w.SetOffset(0);
    PipePktCtrlPtr r;
    for (BasePktBufrPtr p = w.GetFirstPktBufr(); p.GetPtr() != nullptr; p = w.GetNextPktBufr()) {
        const int n = p->GetSendSize();
        PipePktBufr* in = new PipePktBufr();
        BasePktBufrPtr got(in);
        std::memcpy(in->GetSendRecvAddr(), p->GetSendRecvAddr(), static_cast<std::size_t>(n));
        if (in->SetRecvdSize(n) != 0) continue;
        if (r.GetPtr() == nullptr)
            r = new PipePktCtrl(got);
        else
            r->PutPktBufr(got);
    }
    if (r.GetPtr() == nullptr || r->AllThere() != 1) return -1;
    r->SetOffset(0);
    if (out.Serialize(*r.GetPtr()) != 0) return -1;
    return size;
}

// One object with a payload of the given size.
void OneBlob(BenchBlob& msg, int bytes) {
    msg.payload = bStr(std::string(static_cast<std::size_t>(bytes), 'p').c_str());
}

// A full binary tree of objects with 48-byte payloads, about the given size
// (an object takes 2 + 4 + 1 + 48 + 8 = 63 bytes).
void Tree(BenchBlob& node, int levels, int& seq) {
    static const bStr text(std::string(48, 't').c_str());
    node.seq = seq++;
    node.payload = text;
    if (levels <= 1) return;
    BenchBlob* l = new BenchBlob();
    BenchBlob* r = new BenchBlob();
    node.left = l;
    node.right = r;
    Tree(*l, levels - 1, seq);
    Tree(*r, levels - 1, seq);
}

void ManyObjects(BenchBlob& msg, int bytes) {
    int levels = 1;
    while (((2 << levels) - 1) * 63 <= bytes) ++levels;
    int seq = 0;
    Tree(msg, levels, seq);
}

void Build(BenchBlob& msg, const benchmark::State& state) {
    if (state.range(1) == 0)
        OneBlob(msg, static_cast<int>(state.range(0)));
    else
        ManyObjects(msg, static_cast<int>(state.range(0)));
}

void BM_EncodePacketsDecode(benchmark::State& state) {
    BenchBlob msg;
    Build(msg, state);
    int size = 0;
    for (auto _ : state) {
        BenchBlob out;
        size = RoundTrip(msg, out);
        benchmark::DoNotOptimize(out.payload.StrPtr());
    }
    if (size < 0) state.SkipWithError("round trip failed");
    state.SetBytesProcessed(state.iterations() * size);
    state.SetItemsProcessed(state.iterations());
    state.counters["streamBytes"] = size;
}

void BM_MemcpySameBytes(benchmark::State& state) {
    BenchBlob msg;
    Build(msg, state);
    PipePktCtrl w;
    msg.Serialize(w);
    const std::size_t size = static_cast<std::size_t>(w.GetOffset());
    std::vector<char> src(size, 'p'), dst(size);
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), size);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(size));
    state.SetItemsProcessed(state.iterations());
}

}  // namespace

// Arguments: message size, shape (0 one object with a payload, 1 a tree of objects).
void Shapes(benchmark::internal::Benchmark* b) {
    for (int shape : {0, 1})
        for (int size : {1000, 5000000}) b->Args({size, shape});
    b->ArgNames({"bytes", "objects"})->Unit(benchmark::kMicrosecond);
}

BENCHMARK(BM_EncodePacketsDecode)->Apply(Shapes);
BENCHMARK(BM_MemcpySameBytes)->Apply(Shapes);

BENCHMARK_MAIN();
