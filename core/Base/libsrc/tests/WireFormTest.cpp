// Whole objects on the wire: every registered class round-trips, and a message
// cut short anywhere reports what is missing.
#include <gtest/gtest.h>

#include "CoreTestClasses.h"
#include "IoCons.h"
#include "IoInt.h"
#include "IoLocal.h"
#include "LocalPktCtrl.h"
#include "RegisterClass.h"
#include "WireTestClasses.h"

namespace {

// A message with many kinds of fields, nested objects, a string spanning
// packets and an object of a class this program does not have.
BasePtr RichMessage() {
    WireSample* top = new WireSample();
    BasePtr msg(top);
    top->c = -1;
    top->uc = 0x80;
    top->s = 12345;
    top->us = 1;
    top->i = 0x7FFFFFFF;
    top->ui = 7;
    top->l = -2;
    top->ul = 3;
    top->f = -0.5f;
    top->d = 1e-300;
    top->ld = 42;
    top->count = SpclSerialInt(70000);
    top->text = bStr(std::string(600, 'w').c_str());
    WireSample* mid = new WireSample();
    top->child = mid;
    mid->text = "middle";
    Probe* probe = new Probe(5);
    probe->colour = Probe::BLUE;
    mid->child = probe;
    WireSample* holder = new WireSample();
    probe->next = holder;
    Reader unknown = ReaderOf(Hex("0C 00 00 00 78 AA BB CC DD EE FF 00 11 22 33 44 55 66"));
    _serialize(*unknown, holder->child);
    return msg;
}

}  // namespace

TEST(WireForm, EveryRegisteredClassEncodesDecodesAndReencodesIdentically) {
    RegisterClass** table = RegisterClass::GetClassListPtr();
    const int size = RegisterClass::GetClassListSize();
    int tried = 0;
    for (int code = 0; code < size; ++code) {
        RegisterClass* rec = table[code];
        if (rec == nullptr || rec->GetNewFuncPtr() == nullptr) continue;
        SCOPED_TRACE(rec->GetClassName());
        ++tried;

        // Slot 1 alone: the class code first, then the fields.
        BasePtr obj(rec->GetNewFuncPtr()());
        ASSERT_NE(obj.GetPtr(), nullptr);
        // An empty element of an item cannot be read back: give them one.
        if (obj->GetTypeId() == IoCons::ClassCode) IoConsPtr(obj)->SetCar(IoItemPtr(new IoInt(5)));
        if (obj->GetTypeId() == IoCons::ClassCode) IoConsPtr(obj)->SetCdr(IoItemPtr(new IoInt(6)));
        if (obj->GetTypeId() == IoLocal::ClassCode) IoLocalPtr(obj)->SetHeldVal(IoItemPtr(new IoInt(7)));
        const Bytes once = SerializeOf(*obj.GetPtr());
        ASSERT_FALSE(once.empty());
        BasePtr fresh(rec->GetNewFuncPtr()());
        Reader r = ReaderOf(once);
        ASSERT_EQ(fresh->Serialize(*r), 0);
        EXPECT_EQ(r->GetRemainingByteCnt(), 0);
        EXPECT_EQ(SerializeOf(*fresh.GetPtr()), once);

        // As a pointer field: the registry makes the object from its code.
        const Bytes field = PointerFormOf(obj);
        BasePtr back;
        Reader rp = ReaderOf(field);
        ASSERT_EQ(_serialize(*rp, back), 0);
        EXPECT_EQ(PointerFormOf(back), field);
        if (obj->GetTypeId() != LocalPktCtrl::ClassCode) {
            EXPECT_EQ(back->GetTypeId(), code);
        }
    }
    EXPECT_GE(tried, 8);
}

TEST(WireForm, ObjectReadByAnotherClassIsRefusedBeforeItsFields) {
    Probe probe(3);
    const Bytes wire = SerializeOf(probe);
    Dog dog;
    dog.legs = 9;
    Reader r = ReaderOf(wire);
    EXPECT_EQ(dog.Serialize(*r), 1);
    EXPECT_EQ(dog.legs, 9);
}

TEST(WireForm, RichMessageRoundTripsThroughPackets) {
    BasePtr msg = RichMessage();
    PipePktCtrl w;
    w.SetPktCtrlId(11);
    ASSERT_EQ(msg->Serialize(w), 0);
    std::vector<Bytes> packets = PacketsOf(w);
    const Bytes stream = StreamOf(w);
    ASSERT_GT(packets.size(), 1u);

    WireSample back;
    Reader r = ReaderOf(stream);
    ASSERT_EQ(back.Serialize(*r), 0);
    EXPECT_EQ(back.count.value, 70000u);
    WireSamplePtr mid(back.child);
    ASSERT_TRUE(mid.Ok());
    ProbePtr probe(mid->child);
    ASSERT_TRUE(probe.Ok());
    EXPECT_EQ(probe->colour, Probe::BLUE);
    WireSamplePtr holder(probe->next);
    ASSERT_TRUE(holder.Ok());
    EXPECT_TRUE(LocalPktCtrlPtr(holder->child).Ok());
    EXPECT_EQ(SerializeOf(back), stream);
}

TEST(WireForm, MessageCutShortAtEveryLengthReportsMissingBytes) {
    BasePtr msg = RichMessage();
    const Bytes full = SerializeOf(*msg.GetPtr());
    for (std::size_t cut = 0; cut < full.size(); ++cut) {
        Bytes prefix(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut));
        Reader r = ReaderOf(prefix);
        WireSample back;
        const int rc = back.Serialize(*r);
        ASSERT_GT(rc, 0) << "cut at " << cut;
        ASSERT_LE(static_cast<std::size_t>(rc), full.size() - cut) << "cut at " << cut;
    }
}
