// Mutated encodings and packets from a peer: whatever the bytes, reading them
// ends with a result, never with a fault (this suite runs under the address and
// undefined-behaviour sanitizers), and never enters, moves or clears a route,
// a dynamic row or a logical name. Deterministic seed; bounded work.
#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "BaseMsgRcvr.h"
#include "CoreTestClasses.h"
#include "IoObjectCvt.h"
#include "IoTestTrees.h"
#include "LocalPktCtrl.h"
#include "LogicalAddrEnt.h"
#include "PipePktBufr.h"
#include "RuntimeTestClasses.h"
#include "RuntimeTestSupport.h"
#include "WireTestClasses.h"

namespace {

Bytes Seed() {
    // top -> mid -> probe -> puppy: fields of every kind, nested objects.
    WireSamplePtr top(new WireSample());
    top->i = 123456;
    top->d = 0.25;
    top->count = SpclSerialInt(999);
    top->text = "a string of moderate length to mutate";
    WireSample* mid = new WireSample();
    mid->text = "inner";
    top->child = mid;
    Probe* probe = new Probe(8);
    mid->child = probe;
    Puppy* puppy = new Puppy();
    puppy->name = "rex";
    probe->next = puppy;
    // An object of an unknown class, a packet object and a controller.
    WireSamplePtr unknown(new WireSample());
    Reader store = ReaderOf(Hex("08 00 00 00 78 01 02 03 04 05 06 07"));
    _serialize(*store, unknown->child);
    WireSamplePtr packet(new WireSample());
    PipePktBufr* pkt = new PipePktBufr();
    pkt->PutBytes("data", 4);
    packet->child = pkt;
    WireSamplePtr ctrl(new WireSample());
    ctrl->child = new PipePktCtrl();
    // An item tree: lists, atoms, a holder, a dotted pair.
    WireSamplePtr tree(new WireSample());
    tree->child = List({Id("Probe"), List({Id("label"), Int(7)}), Local(List({Str("s"), Nil()})), Cons(Id("a"), Int(5))});
    // Classes that own a table row, a logical name or a descriptor, as a
    // hostile peer would name them: the post office, a receiver, a listener
    // adapter, the local host receiver, table rows; and the post office again
    // in the text form.
    std::vector<WireSamplePtr> claims;
    for (unsigned char code : {86, 7, 1, 82, 19, 31}) {
        Bytes claim = {code, 0, 0, 0, 0, 3, 0, 0, 0};
        LocalPktCtrlPtr raw(new LocalPktCtrl());
        raw->DoBytes(reinterpret_cast<char*>(claim.data()), static_cast<int>(claim.size()));
        claims.emplace_back(new WireSample());
        claims.back()->child = raw;
    }
    claims.emplace_back(new WireSample());
    claims.back()->child = List({Id("PostOffice")});

    Bytes out;
    for (WireSample* obj : {top.GetPtr(), unknown.GetPtr(), packet.GetPtr(), ctrl.GetPtr(), tree.GetPtr()}) {
        const Bytes b = SerializeOf(*obj);
        out.insert(out.end(), b.begin(), b.end());
    }
    for (const WireSamplePtr& obj : claims) {
        const Bytes b = SerializeOf(*obj.GetPtr());
        out.insert(out.end(), b.begin(), b.end());
    }
    return out;
}

// Reads as many top-level samples as the bytes hold, each as a message would
// be read, and writes every object that came back out again.
void ReadAll(const Bytes& bytes) {
    Reader r = ReaderOf(bytes);
    for (int i = 0; i < 12; ++i) {
        WireSample obj;
        const int rc = obj.Serialize(*r);
        PipePktCtrl again;
        obj.Serialize(again);
        if (rc != 0) break;
    }
    // The same bytes as one pointer field.
    r->SetOffset(0);
    BasePtr p;
    _serialize(*r, p);
    if (p.GetPtr() != nullptr) {
        PipePktCtrl again;
        _serialize(again, p);
        // An item tree that came back, read as the object it names.
        if (IoItem::IsItemOf(p, IoCons::ClassCode)) {
            BasePtr described;
            SetFromIoItem(IoItemPtr(p), described);
        }
    }
    // The same bytes as a whole message, as a pipe endpoint reads one, from
    // the start and from the second byte (a class code of one byte less).
    for (int start : {0, 1}) {
        if (static_cast<int>(bytes.size()) <= start) break;
        r->SetOffset(start);
        BasePktCtrlPtr ctrl(r.ptr);
        BaseMsgPtr msg(ctrl);
    }
}

Bytes Mutate(const Bytes& seed, std::mt19937& rng) {
    Bytes b(seed);
    const int edits = 1 + static_cast<int>(rng() % 4);
    for (int e = 0; e < edits; ++e) {
        if (b.empty()) break;
        const std::size_t at = rng() % b.size();
        switch (rng() % 7) {
        case 0: b[at] ^= static_cast<unsigned char>(1u << (rng() % 8)); break;
        case 1: b[at] = 0x00; break;
        case 2: b[at] = 0xFF; break;
        case 3: b[at] = 0x80; break;
        case 4: b[at] = static_cast<unsigned char>(rng()); break;
        case 5: b.erase(b.begin() + static_cast<std::ptrdiff_t>(at)); break;
        default: b.resize(at); break;
        }
    }
    return b;
}

// Packets of a message with their headers and sizes mutated, fed to a
// receiver that assembles and, when complete, reads the message.
void Receive(const std::vector<Bytes>& packets) {
    PipePktCtrlPtr ctrl;
    for (const Bytes& wire : packets) {
        int rc = 0;
        BasePktBufrPtr p = Received(wire, &rc);
        if (rc != 0) continue;
        if (ctrl.GetPtr() == nullptr)
            ctrl = new PipePktCtrl(p);
        else
            ctrl->PutPktBufr(p);
    }
    if (ctrl.GetPtr() == nullptr) return;
    ctrl->SetOffset(0);
    WireSample obj;
    obj.Serialize(*ctrl.GetPtr());
}

}  // namespace

TEST(WireMutation, HundredThousandMutatedEncodingsAndPacketsReadWithoutFault) {
    // A process with a receiver that holds a dynamic row, the post office's
    // logical name and a route, as a manager has.
    RuntimeScope scope("NODEA", 1);
    BaseMsgRcvrPtr rcvr(new BaseMsgRcvr());
    LogicalAddrEntPtr name(new LogicalAddrEnt(LogicalAddr::MXRPOSTOFFICE, rcvr->GetAddrPtr()));
    BaseAddrEntPtr route(new BaseAddrEnt(bStr("NODEB"), 7, 8, rcvr.GetPtr()));
    const AddressTables before = AddressTables::Now();

    const Bytes seed = Seed();
    ASSERT_GT(seed.size(), 150u);
    {
        Reader r = ReaderOf(seed);
        WireSample check;
        ASSERT_EQ(check.Serialize(*r), 0);
    }
    PipePktCtrl w;
    w.SetPktCtrlId(4);
    Bytes big(seed);
    while (big.size() < 1500) big.insert(big.end(), seed.begin(), seed.end());
    w.DoBytes(reinterpret_cast<char*>(big.data()), static_cast<int>(big.size()));
    const std::vector<Bytes> packets = PacketsOf(w);

    std::mt19937 rng(0x5EED);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(90);
    int done = 0;
    for (; done < 100000; ++done) {
        if (done % 4 == 3) {
            std::vector<Bytes> mutated(packets);
            std::shuffle(mutated.begin(), mutated.end(), rng);
            Bytes& victim = mutated[rng() % mutated.size()];
            victim = Mutate(victim, rng);
            Receive(mutated);
        } else {
            ReadAll(Mutate(seed, rng));
        }
        if (!(AddressTables::Now() == before)) {
            ADD_FAILURE() << "input " << done << " changed the address tables";
            break;
        }
        if ((done & 1023) == 0 && std::chrono::steady_clock::now() > deadline) break;
    }
    EXPECT_GT(done, 10000) << "too slow to mean anything";
    RecordProperty("mutations", done);
}
