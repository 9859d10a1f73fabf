// The encoders' two ways: in place through the window (tracing off) and
// through DoBytes (tracing on, or where the window ends inside a value) give
// the same bytes and read back the same values, wherever a field falls
// against the end of a packet; and the registry's lookup for decoders
// answers as the traced lookups do.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "BinaryFieldCodec.h"
#include "FuncInfo.h"
#include "LogicalAddr.h"
#include "RegisterClass.h"
#include "RuntimeTestClasses.h"
#include "WireTestClasses.h"

namespace {

// Runs f with tracing on (every encoder takes the long way), its trace lines
// captured and dropped; the flag is restored afterwards.
template <class F>
void Traced(F&& f) {
    const int before = FuncInfo::GetTraceFlag();
    FuncInfo::SetTraceFlag(1);
    ::testing::internal::CaptureStderr();
    f();
    static_cast<void>(::testing::internal::GetCapturedStderr());
    FuncInfo::SetTraceFlag(before);
}

struct Sample {
    const char* name;
    char c;
    unsigned char uc;
    short s;
    unsigned short us;
    int i;
    unsigned int ui;
    long l;
    unsigned long ul;
    std::uint32_t count;
    std::string text;  // may hold NUL bytes
    bool child;
};

// Lengths of 127 and 128 are the last one-byte and the first two-byte count;
// counts of 16383 and 16384 the last two-byte and the first three-byte one.
const Sample kSamples[] = {
    {"zeros", 0, 0, 0, 0, 0, 0, 0, 0, 0, "", false},
    {"negatives", -1, 1, -2, 2, INT_MIN, 3, -2, 4, 127, std::string(127, 'n'), true},
    {"largest", CHAR_MAX, 255, SHRT_MAX, 65535, INT_MAX, UINT_MAX, 0x7FFFFFFFL, 0xFFFFFFFFul, 128,
     std::string(128, 'L'), false},
    {"long count and text", 'x', 0x80, SHRT_MIN, 0x8000, -7, 0x80000000u, -5, 9, 0xFFFFFFFFu,
     std::string(300, 't'), true},
    {"text with NUL bytes", 'y', 7, 5, 6, 8, 9, 10, 11, 16384, std::string("a\0b\0\0c", 6), false},
    // 16383 is the last two-byte count.
    {"last two-byte count", 'z', 1, 2, 3, 4, 5, 6, 7, 0x3FFF, std::string(200, 'w'), true},
};

WireSamplePtr Make(const Sample& v) {
    WireSamplePtr p(new WireSample());
    WireSample& w = *p.GetPtr();
    w.c = v.c;
    w.uc = v.uc;
    w.s = v.s;
    w.us = v.us;
    w.i = v.i;
    w.ui = v.ui;
    w.l = v.l;
    w.ul = v.ul;
    w.count = SpclSerialInt(v.count);
    w.text = bStr::FromBytes(v.text.data(), static_cast<int>(v.text.size()));
    if (v.child) {
        WireSample* inner = new WireSample();
        inner->i = 42;
        inner->text = "inner";
        w.child = BasePtr(inner);
    }
    return p;
}

void ExpectSameFields(const WireSample& a, const WireSample& b) {
    EXPECT_EQ(a.c, b.c);
    EXPECT_EQ(a.uc, b.uc);
    EXPECT_EQ(a.s, b.s);
    EXPECT_EQ(a.us, b.us);
    EXPECT_EQ(a.i, b.i);
    EXPECT_EQ(a.ui, b.ui);
    EXPECT_EQ(a.l, b.l);
    EXPECT_EQ(a.ul, b.ul);
    EXPECT_EQ(a.count.value, b.count.value);
    ASSERT_EQ(a.text.StrLen(), b.text.StrLen());
    EXPECT_EQ(std::string(a.text.StrVal(), static_cast<std::size_t>(a.text.StrLen())),
              std::string(b.text.StrVal(), static_cast<std::size_t>(b.text.StrLen())));
    EXPECT_EQ(a.child.GetPtr() == nullptr, b.child.GetPtr() == nullptr);
}

// The stream of pad filler bytes followed by the object.
Bytes PaddedForm(BaseVirtItem& obj, int pad) {
    PipePktCtrl w;
    std::string filler(static_cast<std::size_t>(pad), 'Z');
    if (pad > 0) {
        EXPECT_EQ(w.DoBytes(filler.data(), pad), 0);
    }
    EXPECT_EQ(obj.Serialize(w), 0);
    return StreamOf(w);
}

Bytes Tail(const Bytes& all, int pad) { return Bytes(all.begin() + pad, all.end()); }

}  // namespace

TEST(WireWindow, FieldsEncodeAndDecodeAlikeBothWaysAtEveryPlaceAgainstAPacketEnd) {
    for (const Sample& v : kSamples) {
        SCOPED_TRACE(v.name);
        WireSamplePtr obj = Make(v);
        Bytes longWay;
        Traced([&] { longWay = SerializeOf(*obj.GetPtr()); });
        ASSERT_FALSE(longWay.empty());

        // Packets carry 512 bytes: with pads up to a packet and a little
        // more, every field starts at every place before a packet's end.
        for (int pad = 0; pad <= 520; ++pad) {
            SCOPED_TRACE(pad);
            const Bytes all = PaddedForm(*obj.GetPtr(), pad);
            ASSERT_EQ(Tail(all, pad), longWay);

            Reader r = ReaderOf(all);
            r->SetOffset(pad);
            WireSample back;
            ASSERT_EQ(back.Serialize(*r), 0);
            EXPECT_EQ(r->GetRemainingByteCnt(), 0);
            ExpectSameFields(*obj.GetPtr(), back);
            if (pad == 0 || pad == 509 || pad == 511) {
                Reader t = ReaderOf(all);
                t->SetOffset(pad);
                WireSample traced;
                Traced([&] { ASSERT_EQ(traced.Serialize(*t), 0); });
                ExpectSameFields(back, traced);
            }
        }
    }
}

TEST(WireWindow, ReadingIntoAnObjectThatHeldValuesGivesTheSameFieldsBothWays) {
    // The stream's child is null and its text long (a two-byte length): read
    // into objects that hold a child and another text, the child is emptied
    // and the text replaced, in place and the long way alike.
    Sample v = kSamples[2];
    v.child = false;
    v.text = std::string(1000, 'w');
    WireSamplePtr obj = Make(v);
    Bytes longWay;
    Traced([&] { longWay = SerializeOf(*obj.GetPtr()); });
    for (int pad : {0, 100, 509, 511}) {
        SCOPED_TRACE(pad);
        const Bytes all = PaddedForm(*obj.GetPtr(), pad);
        ASSERT_EQ(Tail(all, pad), longWay);
        Sample held = kSamples[1];  // with a child and a text of its own
        WireSamplePtr fast = Make(held);
        WireSamplePtr slow = Make(held);
        ASSERT_NE(fast->child.GetPtr(), nullptr);
        Reader r = ReaderOf(all);
        r->SetOffset(pad);
        ASSERT_EQ(fast->Serialize(*r), 0);
        Reader t = ReaderOf(all);
        t->SetOffset(pad);
        Traced([&] { ASSERT_EQ(slow->Serialize(*t), 0); });
        EXPECT_EQ(fast->child.GetPtr(), nullptr);
        EXPECT_EQ(slow->child.GetPtr(), nullptr);
        ExpectSameFields(*obj.GetPtr(), *fast.GetPtr());
        ExpectSameFields(*obj.GetPtr(), *slow.GetPtr());
    }
}

TEST(WireWindow, MessageWithAddressesIsRebuiltAlikeBothWaysAtEveryPlace) {
    PingReqMsg req(BaseAddrPtr(new LogicalAddr(bStr("SYSTEMA"), 17, 3, LogicalAddr::MXRPOSTOFFICE)), -99);
    req.SetFrmAddr(BaseAddrPtr(new BaseAddr(bStr("SYSTEMB"), 1234, 5)));
    Bytes longWay;
    Traced([&] { longWay = SerializeOf(req); });

    for (int pad = 0; pad <= 520; ++pad) {
        SCOPED_TRACE(pad);
        const Bytes all = PaddedForm(req, pad);
        ASSERT_EQ(Tail(all, pad), longWay);

        Reader r = ReaderOf(all);
        r->SetOffset(pad);
        BasePktCtrlPtr ctrl(r.ptr);
        PingReqMsgPtr back(BaseMsgPtr{ctrl});
        ASSERT_TRUE(back.Ok());
        EXPECT_EQ(back->n, -99);
        LogicalAddrPtr to(back->GetToAddr());
        ASSERT_TRUE(to.Ok());
        EXPECT_EQ(to->GetLogicalName(), LogicalAddr::MXRPOSTOFFICE);
        EXPECT_STREQ(to->GetHost().StrVal(), "SYSTEMA");
        BaseAddrPtr frm = back->GetFrmAddr();
        ASSERT_TRUE(frm.Ok());
        EXPECT_EQ(frm->GetPid(), 1234);
        Bytes again;
        Traced([&] { again = SerializeOf(*back.GetPtr()); });
        EXPECT_EQ(again, longWay);
    }
}

TEST(WireWindow, TextsCutShortAreReportedAlikeBothWays) {
    // A one-byte length, a two-byte one, and one above the first piece.
    for (int len : {5, 127, 200, 5000}) {
        SCOPED_TRACE(len);
        PipePktCtrl w;
        bStr text(std::string(static_cast<std::size_t>(len), 'q').c_str());
        ASSERT_EQ(_serialize(w, text), 0);
        const Bytes full = StreamOf(w);
        for (std::size_t cut : {std::size_t{1}, full.size() / 2, full.size() - 1}) {
            const Bytes part(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut));
            bStr fast("old");
            Reader r = ReaderOf(part);
            const int rcFast = MxrMoveText(*r, fast);
            bStr slow("old");
            int rcSlow = 0;
            Reader t = ReaderOf(part);
            Traced([&] { rcSlow = _serialize(*t, slow); });
            EXPECT_EQ(rcFast, rcSlow) << "cut " << cut;
            // The missing bytes of the length, or of the text once the length is whole.
            EXPECT_GT(rcFast, 0) << "cut " << cut;
            EXPECT_LE(rcFast, static_cast<int>(full.size() - cut)) << "cut " << cut;
            if (cut > 2) {
                EXPECT_EQ(rcFast, static_cast<int>(full.size() - cut)) << "cut " << cut;
            }
            EXPECT_STREQ(fast.StrVal(), "old");
            EXPECT_STREQ(slow.StrVal(), "old");
        }
    }
}

TEST(WireWindow, RegistryLookupForDecodersAnswersAsTheTracedLookups) {
    const int size = RegisterClass::GetClassListSize();
    std::vector<int> declared;
    for (int code = 0; code < size; ++code)
        if (RegisterClass::GetRegisterClassEntryFrmId(code) != nullptr) declared.push_back(code);
    ASSERT_GE(declared.size(), 8u);
    const int ids[] = {-1, 0, size - 1, size, size + 64, INT_MAX};
    std::vector<int> all(ids, ids + sizeof ids / sizeof ids[0]);
    all.insert(all.end(), declared.begin(), declared.end());
    int decodable = 0;
    for (int id : all) {
        RegisterClass* expected = RegisterClass::GetRegisterClassEntryFrmId(id);
        for (int type : declared) {
            for (MxrDecodePlace place : {MxrDecodePlace::Field, MxrDecodePlace::TopOfMessage}) {
                bool ok = true;
                RegisterClass* got = RegisterClass::FindForDecoding(id, type, place, &ok);
                ASSERT_EQ(got, expected) << id;
                const bool want = expected != nullptr && expected->IsDecodableAs(type, place) != 0;
                ASSERT_EQ(ok, want) << "id " << id << " as " << type;
                if (ok) {
                    ++decodable;
                    ASSERT_EQ(got->Factory(), got->GetNewFuncPtr());
                }
            }
        }
    }
    EXPECT_GT(decodable, 0);
}
