// The pointer form of object fields: length word, object, unknown classes kept
// as raw bytes, failures of a short or crafted stream, and the nesting bound.
#include <gtest/gtest.h>

#include "CoreTestClasses.h"
#include "LocalPktCtrl.h"
#include "WireTestClasses.h"

namespace {

int ReadPointer(const Bytes& bytes, BasePtr& p, PipePktCtrlPtr* reader = nullptr) {
    Reader c = ReaderOf(bytes);
    const int rc = _serialize(*c, p);
    if (reader != nullptr) *reader = c.ptr;
    return rc;
}

// A Probe nested depth levels deep through its pointer field, written by hand
// (front to back, each length known in advance) so that any depth can be
// offered to the reader.
Bytes NestedProbes(int depth) {
    const Bytes probe = Hex("C9 01 07 00 00 00 01 00 00 00");  // code 201, label 7, colour RED
    Bytes out;
    for (int level = depth; level > 0; --level) {
        // The object's bytes: its ten own, then level - 1 inner objects of
        // fourteen bytes each (length word and ten), then the final null.
        const unsigned n = 10 + 14 * static_cast<unsigned>(level - 1) + 4;
        const unsigned char word[4] = {static_cast<unsigned char>(n), static_cast<unsigned char>(n >> 8),
                                       static_cast<unsigned char>(n >> 16), static_cast<unsigned char>(n >> 24)};
        out.insert(out.end(), word, word + 4);
        out.insert(out.end(), probe.begin(), probe.end());
    }
    const Bytes null = Hex("00 00 00 00");
    out.insert(out.end(), null.begin(), null.end());
    return out;
}

}  // namespace

TEST(WirePointer, NullIsTheLengthWordZeroAndReadsBackEmpty) {
    BasePtr none;
    EXPECT_EQ(PointerFormOf(none), Hex("00 00 00 00"));
    BasePtr p(new Probe(1));
    EXPECT_EQ(ReadPointer(Hex("00 00 00 00"), p), 0);
    EXPECT_EQ(p.GetPtr(), nullptr);
}

TEST(WirePointer, FreshPacketControllerIsTheTwentyFiveByteExample) {
    BasePtr p(new PipePktCtrl());
    const Bytes golden = Hex("15 00 00 00 29 01 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 08 02 00 00");
    EXPECT_EQ(PointerFormOf(p), golden);

    // A packet controller is local machinery: read from a peer it is refused,
    // the pointer left as it was.
    BasePtr back(new Probe(2));
    EXPECT_EQ(ReadPointer(golden, back), 1);
    EXPECT_TRUE(ProbePtr(back).Ok());
}

TEST(WirePointer, ObjectsRoundTripWithTheirFieldsAndNestedObjects) {
    WireSamplePtr outer(new WireSample());
    outer->c = 'z';
    outer->uc = 200;
    outer->s = -300;
    outer->us = 60000;
    outer->i = -123456;
    outer->ui = 4000000000u;
    outer->l = -5;
    outer->ul = 4000000001ul;
    outer->f = 1.5f;
    outer->d = -2.25;
    outer->ld = 1e100L;
    outer->count = SpclSerialInt(300);
    outer->text = "hello";
    Puppy* puppy = new Puppy();
    puppy->legs = 3;
    puppy->name = "fido";
    puppy->ageWeeks = 11;
    outer->child = puppy;

    BasePtr p(outer);
    const Bytes wire = PointerFormOf(p);
    BasePtr back;
    ASSERT_EQ(ReadPointer(wire, back), 0);
    WireSamplePtr got(back);
    ASSERT_TRUE(got.Ok());
    EXPECT_EQ(got->c, 'z');
    EXPECT_EQ(got->uc, 200);
    EXPECT_EQ(got->s, -300);
    EXPECT_EQ(got->us, 60000);
    EXPECT_EQ(got->i, -123456);
    EXPECT_EQ(got->ui, 4000000000u);
    EXPECT_EQ(got->l, -5);
    EXPECT_EQ(got->ul, 4000000001ul);
    EXPECT_EQ(got->f, 1.5f);
    EXPECT_EQ(got->d, -2.25);
    EXPECT_EQ(got->ld, static_cast<long double>(1e100));
    EXPECT_EQ(got->count.value, 300u);
    EXPECT_STREQ(got->text.StrVal(), "hello");
    PuppyPtr pup(got->child);
    ASSERT_TRUE(pup.Ok());
    EXPECT_EQ(pup->legs, 3);
    EXPECT_STREQ(pup->name.StrVal(), "fido");
    EXPECT_EQ(pup->ageWeeks, 11);
    EXPECT_EQ(PointerFormOf(back), wire);

    // The length word counts the object's bytes behind it.
    const unsigned length = wire[0] | (wire[1] << 8) | (wire[2] << 16) | (wire[3] << 24);
    EXPECT_EQ(length, wire.size() - 4);
}

TEST(WirePointer, ObjectOfAnUnknownClassPassesThroughUnchanged) {
    // Code 120 belongs to no class; twelve bytes of its fields follow.
    const Bytes wire = Hex("0E 00 00 00 78 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D");
    PipePktCtrlPtr reader;
    BasePtr p;
    ASSERT_EQ(ReadPointer(wire, p, &reader), 0);
    LocalPktCtrlPtr local(p);
    ASSERT_TRUE(local.Ok());
    EXPECT_EQ(reader->GetRemainingByteCnt(), 0);
    // Written again: the same bytes, length word included, as often as asked.
    EXPECT_EQ(PointerFormOf(p), wire);
    EXPECT_EQ(PointerFormOf(p), wire);

    // Inside an object of a known class, with fields after it.
    WireSample outer;
    outer.child = p;
    outer.i = 42;
    outer.text = "after";
    const Bytes full = SerializeOf(outer);
    WireSample back;
    Reader r = ReaderOf(full);
    ASSERT_EQ(back.Serialize(*r), 0);
    EXPECT_EQ(back.i, 42);
    EXPECT_STREQ(back.text.StrVal(), "after");
    EXPECT_TRUE(LocalPktCtrlPtr(back.child).Ok());
    EXPECT_EQ(SerializeOf(back), full);
}

TEST(WirePointer, MalformedAndShortStreams) {
    struct Case {
        const char* name;
        const char* wire;
        int rc;          // 0 success, 1 refused, >0 missing
        bool kept;       // the pointer keeps its old object
    };
    const Case cases[] = {
        {"stream ends inside the length word", "05 00", 2, true},
        {"nothing at all", "", 4, true},
        {"class code cut short", "05 00 00 00 C9", 1, true},
        {"negative length of an unknown class", "FB FF FF FF 78 01 02", 1, true},
        {"unknown class longer than the stream", "10 00 00 00 78 01 02", 13, false},
        {"known class cut short", "0E 00 00 00 C9 01 07 00", 2, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Probe* old = new Probe(9);
        BasePtr p(old);
        EXPECT_EQ(ReadPointer(Hex(k.wire), p), k.rc);
        EXPECT_EQ(p.GetPtr() == old, k.kept);
    }
}

TEST(WirePointer, ObjectCutShortKeepsWhatWasReadAndReportsTheRest) {
    Probe probe(0x01020304);
    BasePtr p(new Probe(0x01020304));
    Bytes wire = PointerFormOf(p);
    wire.resize(wire.size() - 3);  // the nested null pointer's last three bytes
    BasePtr back;
    EXPECT_EQ(ReadPointer(wire, back), 3);
    ProbePtr got(back);
    ASSERT_TRUE(got.Ok());
    EXPECT_EQ(got->label, 0x01020304);
}

TEST(WirePointer, KnownClassReadsItsOwnLengthWhateverTheWordSays) {
    // The word says 1; the Probe reads its ten bytes and the null behind them.
    Bytes wire = NestedProbes(1);
    wire[0] = 1;
    BasePtr p;
    PipePktCtrlPtr reader;
    EXPECT_EQ(ReadPointer(wire, p, &reader), 0);
    EXPECT_TRUE(ProbePtr(p).Ok());
    EXPECT_EQ(reader->GetRemainingByteCnt(), 0);
}

TEST(WirePointer, NoDirectionFailsWithMinusOne) {
    Reader c = ReaderOf(Hex("00 00 00 00"));
    c->SetDirection(BasePktCtrl::BADDIR);
    BasePtr p(new Probe(1));
    EXPECT_EQ(_serialize(*c, p), -1);
    EXPECT_NE(p.GetPtr(), nullptr);
}

TEST(WirePointer, NestingIsBoundedInBothDirections) {
    // Up to the bound, objects nest and come back.
    BasePtr p;
    ASSERT_EQ(ReadPointer(NestedProbes(MxrMaxObjectDepth), p), 0);
    EXPECT_EQ(PointerFormOf(p), NestedProbes(MxrMaxObjectDepth));

    // One level more is refused, on reading and on writing.
    BasePtr deep;
    EXPECT_EQ(ReadPointer(NestedProbes(MxrMaxObjectDepth + 1), deep), 1);
    ProbePtr top(new Probe(7));
    top->next = p;
    BasePtr tooDeep(top);
    PipePktCtrl w;
    EXPECT_EQ(_serialize(w, tooDeep), 1);

    // A crafted message far deeper than the stack could take.
    BasePtr crafted;
    EXPECT_EQ(ReadPointer(NestedProbes(20000), crafted), 1);

    // An object graph with a cycle ends at the bound instead of recursing for ever.
    ProbePtr loop(new Probe(1));
    loop->next = loop;
    PipePktCtrl cyc;
    BasePtr start(loop);
    EXPECT_EQ(_serialize(cyc, start), 1);
    loop->next = BasePtr();
}
