// What a peer's bytes may make this process build: at the top of a pipe
// message only message classes; inside a pointer field only classes derived
// from the field's declared class; never a local-only class (receivers,
// adapters, endpoints, worlds, timers). Checked before any constructor runs,
// in the binary form and in the s-expression form alike.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BaseErrMsg.h"
#include "BaseMsgRcvr.h"
#include "ClassDefine.h"
#include "IoObjectCvt.h"
#include "IoTestTrees.h"
#include "LocalPktCtrl.h"
#include "LogicalAddrEnt.h"
#include "RegisterClass.h"
#include "RuntimeTestClasses.h"
#include "RuntimeTestSupport.h"
#include "WireTestClasses.h"

// Classes that count their constructions.
int countedConstructions = 0;

class CountedValue : public BaseVirtItem {
    MXR_CLASS(CountedValue, BaseVirtItem);
    MXR_FIELDS(MXR_FIELD("n", n));

public:
    CountedValue() { ++countedConstructions; }
    int n = 0;
};
MXR_CLASS_DEFINE(CountedValue);

class CountedMsg : public BaseMsg {
    MXR_CLASS(CountedMsg, BaseMsg);
    MXR_FIELDS();

public:
    CountedMsg() { ++countedConstructions; }
};
MXR_CLASS_DEFINE(CountedMsg);

namespace {


// An object's bytes as they would come from a peer: its class code, then
// enough zero bytes for any fixed fields it might read.
Bytes ClaimedObject(int code) {
    PipePktCtrl w;
    SpclSerialInt c(static_cast<unsigned long>(code));
    _serialize(w, c);
    Bytes out = StreamOf(w);
    out.resize(out.size() + 64, 0);
    return out;
}

// A message whose untyped pointer field carries exactly these bytes.
Bytes WrapperCarrying(const Bytes& object) {
    LocalPktCtrlPtr raw(new LocalPktCtrl());
    Bytes copy(object);
    raw->DoBytes(reinterpret_cast<char*>(copy.data()), static_cast<int>(copy.size()));
    WrapperMsg w;
    w.inner = raw;
    return SerializeOf(w);
}

// The binary form of an item tree at the top of a message.
Bytes TreeBytes(const IoItemPtr& tree) { return SerializeOf(*tree.GetPtr()); }

// A process with one receiver that holds a dynamic row, a logical name (the
// post office's) and a route, as a manager has.
class WireKindFixture : public ::testing::Test {
protected:
    WireKindFixture() : scope("NODEA", 1) {
        rcvr = new BaseMsgRcvr();
        name = new LogicalAddrEnt(LogicalAddr::MXRPOSTOFFICE, rcvr->GetAddrPtr());
        route = new BaseAddrEnt(bStr("NODEB"), 7, 8, rcvr.GetPtr());
        before = AddressTables::Now();
    }
    RuntimeScope scope;
    BaseMsgRcvrPtr rcvr;
    LogicalAddrEntPtr name;
    BaseAddrEntPtr route;
    AddressTables before;
};

}  // namespace

TEST_F(WireKindFixture, EveryLocalOnlyClassIsRefusedAtTheTopAndInAFieldInBothForms) {
    RegisterClass** table = RegisterClass::GetClassListPtr();
    int locals = 0;
    for (int code = 0; code < RegisterClass::GetClassListSize(); ++code) {
        RegisterClass* rec = table[code];
        if (rec == nullptr || rec->GetWireKind() != MxrWireKind::Local) continue;
        SCOPED_TRACE(rec->GetClassName());
        ++locals;
        // No factory that any decoder could reach.
        EXPECT_EQ(rec->GetNewFuncPtr(), nullptr);
        EXPECT_EQ(RegisterClass::GetDecodableEntry(code, BaseVirtItem::ClassCode, MxrDecodePlace::Field), nullptr);

        const Bytes object = ClaimedObject(code);
        EXPECT_EQ(MessageOf(object).GetPtr(), nullptr);
        EXPECT_EQ(MessageOf(WrapperCarrying(object)).GetPtr(), nullptr);
        Bytes field = {static_cast<unsigned char>(object.size()), 0, 0, 0};
        field.insert(field.end(), object.begin(), object.end());
        BasePtr kept(new IoInt(3));
        Reader r = ReaderOf(field);
        EXPECT_EQ(_serialize(*r, kept), 1);
        EXPECT_EQ(kept->GetTypeId(), IoInt::ClassCode);

        const IoItemPtr named = List({Id(rec->GetClassName())});
        EXPECT_EQ(MessageOf(TreeBytes(named)).GetPtr(), nullptr);
        EXPECT_EQ(MessageOf(TreeBytes(List({Id("WrapperMsg"), List({Id("inner"), Id(rec->GetClassName())})})))
                      .GetPtr(),
                  nullptr);
        EXPECT_EQ(SetFromIoItem(named, kept), 1);
        EXPECT_EQ(kept->GetTypeId(), IoInt::ClassCode);

        EXPECT_TRUE(AddressTables::Now() == before);
    }
    // Receivers, adapters, endpoints, timers, the post office among them.
    EXPECT_GE(locals, 20);
    for (const char* name : {"BaseMsgRcvr", "PipeHead", "PipePollAdptr", "AttachedPollAdptr", "PostOffice", "LocalHost",
                             "SnglShotTimerEnt", "TimerFiredMsg"})
        EXPECT_EQ(RegisterClass::GetRegisterClassEntryFromName(name)->GetWireKind(), MxrWireKind::Local) << name;
}

TEST_F(WireKindFixture, AFieldTakesOnlyItsDeclaredClassAndTheTopOnlyMessages) {
    CountedValue value;
    value.n = 4;
    const Bytes valueBytes = SerializeOf(value);
    CountedMsg msg;
    const Bytes msgBytes = SerializeOf(msg);
    BaseErrMsg addressedToValue;
    {
        // A to-address field (declared BaseAddr) that holds a value of another class.
        BaseAddrPtr bogus;
        bogus.SetRefPtr(new CountedValue());
        addressedToValue.SetToAddr(bogus);
        bogus.SetRefPtr(nullptr);
    }
    const Bytes errBytes = SerializeOf(addressedToValue);
    const IoItemPtr errTree = addressedToValue.GetIoItemFrom();
    addressedToValue.SetToAddr(BaseAddrPtr());

    struct Case {
        const char* what;
        Bytes bytes;
        bool made;  // a message comes out
        int constructions;
    };
    const Case cases[] = {
        {"a value at the top", valueBytes, false, 0},
        {"a message at the top", msgBytes, true, 1},
        {"a value in a to-address field", errBytes, false, 0},
        {"a value in an untyped field", WrapperCarrying(valueBytes), true, 1},
        {"a message in an untyped field", WrapperCarrying(msgBytes), true, 1},
        {"a value named at the top", TreeBytes(value.GetIoItemFrom()), false, 0},
        {"a message named at the top", TreeBytes(msg.GetIoItemFrom()), true, 1},
        {"a value named in a to-address field", TreeBytes(errTree), false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        countedConstructions = 0;
        const BaseMsgPtr got = MessageOf(c.bytes);
        EXPECT_EQ(got.Ok(), c.made ? 1 : 0);
        EXPECT_EQ(countedConstructions, c.constructions);
        EXPECT_TRUE(AddressTables::Now() == before);
    }

    // Typed fields in the reader of the text form, directly.
    countedConstructions = 0;
    BaseAddrPtr addr;
    EXPECT_EQ(SetFromIoItem(value.GetIoItemFrom(), addr), 1);
    EXPECT_EQ(addr.GetPtr(), nullptr);
    BasePtr any;
    EXPECT_EQ(SetFromIoItem(value.GetIoItemFrom(), any), 0);
    EXPECT_EQ(countedConstructions, 1);
}
