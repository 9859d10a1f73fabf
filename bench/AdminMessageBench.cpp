// Encoding and decoding two of the administrator's messages through a packet
// controller: the create-path request (addresses, five strings, four numbers,
// an enumeration and a null message) and the path status notice. Beside each,
// a hand-written encoder and decoder of the same fields, calling the same
// field encoders in the same order on the same controller, into a plain
// struct. The ratio shows what the generated field code costs over it.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "CommPathStatusMsg.h"
#include "LogicalAddr.h"
#include "MxrAdminCreateCommPathReqMsg.h"
#include "PipePktCtrl.h"
#include "PktSerialize.h"
#include "RatioReporter.h"
#include "SpclSerialInt.h"

namespace {

BaseAddrPtr Admin() { return BaseAddrPtr(new LogicalAddr(bStr("BENCHHOST"), LogicalAddr::MXRADMIN)); }
BaseAddrPtr Asker() { return BaseAddrPtr(new BaseAddr(bStr("BENCHHOST"), 4242, 77)); }

// ---- the hand-written side -------------------------------------------------

struct PlainCreatePath {
    BasePtr toAddr, frmAddr;
    bStr remoteHostName, localAlias, remoteAlias;
    int commAgentType = 0;
    bStr devPathName;
    int priority = 0, hbInterval = 0, hbMaxMiss = 0, baudRate = 0;
    BasePtr initMsg;
};

struct PlainNotice {
    BasePtr toAddr;
    bStr localAlias, devPathName;
    int commAgentType = 0;
    bStr remoteHost, remoteAlias;
    int status = 0;
};

// Packs or unpacks the code; 1 for another class's code.
int Code(BasePktCtrl& c, int code) {
    SpclSerialInt wire(static_cast<unsigned long>(code));
    if (int rc = _serialize(c, wire)) return rc;
    return wire.value == static_cast<std::uint32_t>(code) ? 0 : 1;
}

int Plain(BasePktCtrl& c, PlainCreatePath& m) {
    int rc = Code(c, 60);
    if (rc == 0) rc = _serialize(c, m.toAddr);
    if (rc == 0) rc = _serialize(c, m.frmAddr);
    if (rc == 0) rc = _serialize(c, m.remoteHostName);
    if (rc == 0) rc = _serialize(c, m.localAlias);
    if (rc == 0) rc = _serialize(c, m.remoteAlias);
    if (rc == 0) rc = _serialize(c, m.commAgentType);
    if (rc == 0) rc = _serialize(c, m.devPathName);
    if (rc == 0) rc = _serialize(c, m.priority);
    if (rc == 0) rc = _serialize(c, m.hbInterval);
    if (rc == 0) rc = _serialize(c, m.hbMaxMiss);
    if (rc == 0) rc = _serialize(c, m.baudRate);
    if (rc == 0) rc = _serialize(c, m.initMsg);
    return rc;
}

int Plain(BasePktCtrl& c, PlainNotice& m) {
    int rc = Code(c, 55);
    if (rc == 0) rc = _serialize(c, m.toAddr);
    if (rc == 0) rc = _serialize(c, m.localAlias);
    if (rc == 0) rc = _serialize(c, m.devPathName);
    if (rc == 0) rc = _serialize(c, m.commAgentType);
    if (rc == 0) rc = _serialize(c, m.remoteHost);
    if (rc == 0) rc = _serialize(c, m.remoteAlias);
    if (rc == 0) rc = _serialize(c, m.status);
    return rc;
}

// ---- one round: encode, then decode into a fresh object ----------------------

template <class Obj, class Encode>
void Round(benchmark::State& state, Obj& msg, Encode encode) {
    int size = 0;
    for (auto _ : state) {
        PipePktCtrl c;
        if (encode(c, msg) != 0) state.SkipWithError("encode failed");
        size = c.GetOffset();
        c.SetDirection(BasePktCtrl::OUTOFPKT);
        c.SetOffset(0);
        Obj out{};
        if (encode(c, out) != 0) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(&out);
    }
    state.counters["bytes"] = size;
}

MxrAdminCreateCommPathReqMsgPtr GeneratedCreatePath() {
    MxrAdminCreateCommPathReqMsgPtr m(new MxrAdminCreateCommPathReqMsg(Admin(), bStr("nodeb"), bStr("NODEA"),
                                                                       bStr("NODEB"), CommAgentEnt::TLI, bStr("eth0"),
                                                                       1, 4, 3, 0, BaseMsgPtr()));
    m->SetFrmAddr(Asker());
    return m;
}

PlainCreatePath HandCreatePath() {
    PlainCreatePath msg;
    msg.toAddr = Admin();
    msg.frmAddr = Asker();
    msg.remoteHostName = bStr("nodeb");
    msg.localAlias = bStr("NODEA");
    msg.remoteAlias = bStr("NODEB");
    msg.commAgentType = 1;
    msg.devPathName = bStr("eth0");
    msg.priority = 1;
    msg.hbInterval = 4;
    msg.hbMaxMiss = 3;
    return msg;
}

// The bytes an encoder wrote.
std::string Written(PipePktCtrl& c) {
    std::string bytes(static_cast<std::size_t>(c.GetOffset()), '\0');
    c.SetDirection(BasePktCtrl::OUTOFPKT);
    c.SetOffset(0);
    if (!bytes.empty()) c.DoBytes(bytes.data(), static_cast<int>(bytes.size()));
    return bytes;
}

void CreatePathGenerated(benchmark::State& state) {
    MxrAdminCreateCommPathReqMsgPtr held = GeneratedCreatePath();
    Round(state, *held.GetPtr(), [](BasePktCtrl& c, MxrAdminCreateCommPathReqMsg& m) { return m.Serialize(c); });
}

void CreatePathHand(benchmark::State& state) {
    PlainCreatePath msg = HandCreatePath();
    Round(state, msg, [](BasePktCtrl& c, PlainCreatePath& m) { return Plain(c, m); });
}

void NoticeGenerated(benchmark::State& state) {
    CommPathStatusMsg msg(Asker());
    msg.SetLocalAlias(bStr("NODEA"));
    msg.SetDevPathName(bStr("eth0"));
    msg.SetCommAgentType(CommAgentEnt::TLI);
    msg.SetRemoteHost(bStr("nodeb"));
    msg.SetRemoteAlias(bStr("NODEB"));
    msg.SetStatus(PipeHead::ALIVE);
    Round(state, msg, [](BasePktCtrl& c, CommPathStatusMsg& m) { return m.Serialize(c); });
}

void NoticeHand(benchmark::State& state) {
    PlainNotice msg;
    msg.toAddr = Asker();
    msg.localAlias = bStr("NODEA");
    msg.devPathName = bStr("eth0");
    msg.commAgentType = 1;
    msg.remoteHost = bStr("nodeb");
    msg.remoteAlias = bStr("NODEB");
    msg.status = 2;
    Round(state, msg, [](BasePktCtrl& c, PlainNotice& m) { return Plain(c, m); });
}

}  // namespace

int main(int argc, char** argv) {
    ::setenv("MXRHOSTNAME", "BENCHHOST", 1);
    // Both sides must write the same bytes, or the comparison means nothing.
    {
        PlainCreatePath plain = HandCreatePath();
        PipePktCtrl a, b;
        GeneratedCreatePath()->Serialize(a);
        Plain(b, plain);
        if (Written(a) != Written(b)) {
            std::fprintf(stderr, "the two encoders disagree\n");
            return 1;
        }
    }
    benchmark::Initialize(&argc, argv);
    using benchmark::RegisterBenchmark;
    RegisterBenchmark("CreatePath/generated", CreatePathGenerated)->Unit(benchmark::kNanosecond);
    RegisterBenchmark("CreatePath/hand", CreatePathHand)->Unit(benchmark::kNanosecond);
    RegisterBenchmark("StatusNotice/generated", NoticeGenerated)->Unit(benchmark::kNanosecond);
    RegisterBenchmark("StatusNotice/hand", NoticeHand)->Unit(benchmark::kNanosecond);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios("generated / hand-written encode and decode (real time)", {"CreatePath", "StatusNotice"},
                         "/generated", "/hand");
    benchmark::Shutdown();
    return 0;
}
