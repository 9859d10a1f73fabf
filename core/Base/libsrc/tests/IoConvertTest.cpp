// Conversions between values and item trees: integer widths and signs,
// strings, field lookup, object pointers, reading an object's fields.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "CoreTestClasses.h"
#include "IoObjectCvt.h"
#include "IoScalarCvt.h"
#include "IoTestTrees.h"
#include "SpclSerialInt.h"
#include "TextTestClasses.h"

namespace {

template <class T>
void ExpectRoundTrip(T v, const char* text) {
    IoItemPtr tree = GetIoItemFrom(v);
    EXPECT_EQ(Text(tree), text) << +v;
    T back{};
    EXPECT_EQ(SetFromIoItem(tree, back), 0) << text;
    EXPECT_EQ(back, v) << text;
}

// Reads (n) into a T.
template <class T>
T Read(unsigned long n) {
    T v{};
    EXPECT_EQ(SetFromIoItem(List({Int(n)}), v), 0) << n;
    return v;
}

}  // namespace

TEST(IoConvert, IntegersTravelAs32BitsSignExtendedOrZeroExtended) {
    ExpectRoundTrip<char>(-1, "(4294967295)");
    ExpectRoundTrip<char>('A', "(65)");
    ExpectRoundTrip<unsigned char>(200, "(200)");
    ExpectRoundTrip<short>(-2, "(4294967294)");
    ExpectRoundTrip<short>(SHRT_MIN, "(4294934528)");
    ExpectRoundTrip<unsigned short>(65535, "(65535)");
    ExpectRoundTrip<int>(-1, "(4294967295)");
    ExpectRoundTrip<int>(INT_MIN, "(2147483648)");
    ExpectRoundTrip<int>(INT_MAX, "(2147483647)");
    ExpectRoundTrip<unsigned int>(4294967295U, "(4294967295)");
    ExpectRoundTrip<long>(-1, "(4294967295)");
    ExpectRoundTrip<long>(123456, "(123456)");
    ExpectRoundTrip<unsigned long>(4294967295UL, "(4294967295)");
    // A long takes its low 32 bits.
    EXPECT_EQ(Text(GetIoItemFrom(0x100000005L)), "(5)");
}

TEST(IoConvert, ReaderTakesTheLowBitsOfItsTargetWhateverItsSign) {
    EXPECT_EQ(Read<short>(4294967294UL), -2);
    EXPECT_EQ(Read<unsigned short>(4294967294UL), 65534);
    EXPECT_EQ(Read<char>(4294967294UL), -2);
    EXPECT_EQ(Read<unsigned char>(4294967294UL), 254);
    EXPECT_EQ(Read<unsigned char>(300), 44);
    EXPECT_EQ(Read<char>(200), static_cast<char>(-56));
    EXPECT_EQ(Read<short>(65536 + 7), 7);
    EXPECT_EQ(Read<int>(4294967295UL), -1);
    EXPECT_EQ(Read<unsigned int>(4294967295UL), 4294967295U);
    EXPECT_EQ(Read<long>(4294967295UL), -1);
    EXPECT_EQ(Read<unsigned long>(4294967295UL), 4294967295UL);
}

TEST(IoConvert, WireIntegerAsItsUnsignedValue) {
    SpclSerialInt n(4294967295UL);
    EXPECT_EQ(Text(GetIoItemFrom(n)), "(4294967295)");
    SpclSerialInt back;
    EXPECT_EQ(SetFromIoItem(GetIoItemFrom(n), back), 0);
    EXPECT_EQ(back.value, 4294967295U);
    EXPECT_EQ(SetFromIoItem(List({Id("x")}), back), 1);
    EXPECT_EQ(back.value, 4294967295U);
}

TEST(IoConvert, StringsAndTexts) {
    ExpectRoundTrip<bStr>(bStr("a \"b\"\n"), "(\"a \\\"b\\\"\\n\")");
    ExpectRoundTrip<bStr>(bStr(""), "(\"\")");
    EXPECT_EQ(Text(GetIoItemFrom("abc")), "(abc)");
    // A string reads from a string or an identifier, an integer from neither.
    bStr s("old");
    EXPECT_EQ(SetFromIoItem(List({Id("abc")}), s), 0);
    EXPECT_EQ(s, "abc");
    EXPECT_EQ(SetFromIoItem(List({Str("xyz")}), s), 0);
    EXPECT_EQ(s, "xyz");
    int n = 7;
    EXPECT_EQ(SetFromIoItem(List({Id("abc")}), n), 1);
    EXPECT_EQ(n, 7);
}

TEST(IoConvert, ScalarOfTheWrongFormFailsAndLeavesTheTargetAlone) {
    struct Case {
        const char* what;
        IoItemPtr tree;
    };
    const Case cases[] = {
        {"null", IoItemPtr()},
        {"empty list", Nil()},
        {"bare atom", Int(5)},
        {"cell without car", IoItemPtr(new IoCons())},
        {"string head", List({Str("5")})},
        {"list head", List({List({Int(5)})})},
        {"holder head", List({Local(Int(5))})},
        {"non-item head", IoItemPtr(new IoCons(IoItemPtr(BasePtr(new BaseVirtItem()))))},
        {"non-item as the list", IoItemPtr(BasePtr(new BaseVirtItem()))},
    };
    for (const Case& c : cases) {
        int n = 7;
        short sh = 7;
        bStr s("keep");
        EXPECT_EQ(SetFromIoItem(c.tree, n), 1) << c.what;
        EXPECT_EQ(SetFromIoItem(c.tree, sh), 1) << c.what;
        EXPECT_EQ(n, 7) << c.what;
        EXPECT_EQ(sh, 7) << c.what;
        if (std::string(c.what) != "string head") {
            EXPECT_EQ(SetFromIoItem(c.tree, s), 1) << c.what;
            EXPECT_EQ(s, "keep") << c.what;
        }
    }
    // Only the head is read.
    int n = 0;
    EXPECT_EQ(SetFromIoItem(List({Int(5), Id("x"), Int(6)}), n), 0);
    EXPECT_EQ(n, 5);
}

TEST(IoConvert, AssocFindsTheFirstExactKeyAndSkipsOtherElements) {
    // The first cell has no car; cells, numbers and lists without a key are skipped.
    IoItemPtr fields = Cons(IoItemPtr(), List({Id("Probe"), Int(7), List({Id("label"), Int(5)}), List({Id("next")}),
                                               List({Id("label"), Int(6)}), List({Int(9), Int(1)}),
                                               IoItemPtr(new IoCons()), List({Id(""), Int(3)}),
                                               Cons(IoItemPtr(), List({Id("hidden"), Int(8)})),
                                               List({Id("gap"), Int(4)})}));
    struct Case {
        const char* key;
        const char* found;  // printed value tree, "<null>" when not found
    };
    const Case cases[] = {
        {"label", "(5)"}, {"next", "()"},     {"Label", "<null>"}, {"labe", "<null>"},
        {"9", "<null>"},  {"", "(3)"},        {"gap", "(4)"},      {"missing", "<null>"},
        {"Probe", "<null>"}, {"hidden", "<null>"},
    };
    for (const Case& c : cases) EXPECT_EQ(Text(fields->Assoc(c.key)), c.found) << c.key;
    EXPECT_EQ(Text(fields->Assoc(nullptr)), "(3)");
    // A found null pointer field is the empty list, which is not "not found".
    EXPECT_TRUE(IoNull::IsNull(fields->Assoc("next")));
    // On anything but a cell: the shared empty list.
    EXPECT_EQ(Int(5)->Assoc("label").GetPtr(), IoNull::GetGlobalIoNullPtr().GetPtr());
    EXPECT_EQ(Nil()->Assoc("label").GetPtr(), IoNull::GetGlobalIoNullPtr().GetPtr());
}

TEST(IoConvert, NullPointerAndEmptyList) {
    ProbePtr p(new Probe(3));
    EXPECT_EQ(SetFromIoItem(Nil(), p), 0);
    EXPECT_EQ(p.GetPtr(), nullptr);
    // Any IoNull, not only the shared one.
    p = new Probe(3);
    EXPECT_EQ(SetFromIoItem(IoItemPtr(new IoNull()), p), 0);
    EXPECT_EQ(p.GetPtr(), nullptr);
    EXPECT_TRUE(IoNull::IsNull(GetIoItemFrom(p)));
}

TEST(IoConvert, ObjectOfARegisteredClassIsMadeByNameAndReadsItsFields) {
    BasePtr p;
    ASSERT_EQ(SetFromIoItem(List({Id("Probe"), List({Id("label"), Int(7)}), List({Id("colour"), Id("BLUE")}),
                                  List({Id("next"), Id("Dog"), List({Id("name"), Str("fido")})})}),
                            p),
              0);
    ProbePtr probe(p);
    ASSERT_TRUE(probe.Ok());
    EXPECT_EQ(probe->label, 7);
    EXPECT_EQ(probe->colour, Probe::BLUE);
    DogPtr dog(probe->next);
    ASSERT_TRUE(dog.Ok());
    EXPECT_EQ(dog->name, "fido");
    EXPECT_EQ(dog->weight, 20.5);  // missing key: unchanged
    EXPECT_EQ(dog->legs, 4);
}

TEST(IoConvert, ObjectOfAnUnknownClassIsKeptAsItsTree) {
    IoItemPtr tree = List({Id("Widget"), List({Id("a"), Int(1)})});
    BasePtr p;
    ASSERT_EQ(SetFromIoItem(tree, p), 0);
    IoLocalPtr local(p);
    ASSERT_TRUE(local.Ok());
    EXPECT_EQ(local->GetHeldVal().GetPtr(), tree.GetPtr());
    EXPECT_EQ(Text(local), "(Widget\n\t(a 1))");
    // As a pointer field it becomes the held item's own tree.
    EXPECT_EQ(Text(GetIoItemFrom(p)), "(IoCons)");
    // Inside an object it prints as the tree it was read from.
    ProbePtr probe(new Probe(1));
    probe->next = new IoLocal(List({Id("Widget")}));
    EXPECT_EQ(Text(probe->GetIoItemFrom()), "(Probe\n\t(label 1)\n\t(colour RED)\n\t(next IoCons))");
}

TEST(IoConvert, ObjectTreeOfTheWrongFormFailsAndLeavesThePointer) {
    struct Case {
        const char* what;
        IoItemPtr tree;
    };
    const Case cases[] = {
        {"null", IoItemPtr()},
        {"atom", Id("Probe")},
        {"number head", List({Int(201)})},
        {"string head", List({Str("Probe")})},
        {"cell without car", IoItemPtr(new IoCons())},
        {"non-item head", IoItemPtr(new IoCons(IoItemPtr(BasePtr(new BaseVirtItem()))))},
        {"field of the wrong form", List({Id("Probe"), List({Id("label"), Str("x")})})},
        {"unknown enumeration name", List({Id("Probe"), List({Id("colour"), Id("GREEN")})})},
        {"enumeration of the wrong form", List({Id("Probe"), List({Id("colour"), List({Id("RED")})})})},
        {"nested object of the wrong form", List({Id("Probe"), List({Id("next"), Int(4)})})},
    };
    for (const Case& c : cases) {
        ProbePtr keep(new Probe(9));
        BasePtr p(keep);
        EXPECT_EQ(SetFromIoItem(c.tree, p), 1) << c.what;
        EXPECT_EQ(p.GetPtr(), keep.GetPtr()) << c.what;
    }
}

TEST(IoConvert, ReadingFieldsChangesOnlyWhatIsFoundAndReportsTheLastFailure) {
    Probe probe(9);
    probe.colour = Probe::BLUE;
    // Missing keys are no failure.
    EXPECT_EQ(probe.SetFromIoItem(List({List({Id("colour"), Id("RED")})})), 0);
    EXPECT_EQ(probe.label, 9);
    EXPECT_EQ(probe.colour, Probe::RED);
    // A field of the wrong form stays, the others are still read.
    EXPECT_EQ(probe.SetFromIoItem(List({List({Id("label"), Str("x")}), List({Id("colour"), Int(2)})})), 1);
    EXPECT_EQ(probe.label, 9);
    EXPECT_EQ(probe.colour, Probe::BLUE);
    // Nothing after the class name (or an atom there): every key reads the
    // empty list, so numbers and enumerations fail and keep their values and
    // pointers become null. No tree at all holds no keys.
    for (const IoItemPtr& none : {Nil(), Int(5)}) {
        probe.next = new Probe(3);
        EXPECT_EQ(probe.SetFromIoItem(none), 1);
        EXPECT_EQ(probe.label, 9);
        EXPECT_EQ(probe.colour, Probe::BLUE);
        EXPECT_EQ(probe.next.GetPtr(), nullptr);
    }
    probe.next = new Probe(3);
    EXPECT_EQ(probe.SetFromIoItem(IoItemPtr()), 0);
    EXPECT_NE(probe.next.GetPtr(), nullptr);
    // So an object tree without fields is refused, and the pointer kept.
    BasePtr p;
    EXPECT_EQ(SetFromIoItem(List({Id("Probe")}), p), 1);
    EXPECT_EQ(p.GetPtr(), nullptr);
    EXPECT_EQ(SetFromIoItem(Cons(Id("Probe"), Int(5)), p), 1);
    EXPECT_EQ(p.GetPtr(), nullptr);
}

TEST(IoConvert, EveryFieldKindRoundTripsThroughTheTree) {
    GaugePtr g(new Gauge());
    g->c = -3;
    g->uc = 250;
    g->s = -300;
    g->us = 60000;
    g->i = -1;
    g->ui = 4000000000U;
    g->l = -70000;
    g->ul = 3000000000UL;
    g->text = "tab\there";
    g->mode = Gauge::HALTED;
    g->ratio = -0.125;
    g->child = new Probe(4);
    g->peer = new Probe(5);
    const std::string text = Text(GetIoItemFrom(BasePtr(g)));
    EXPECT_EQ(text,
              "(Gauge\n\t(c 4294967293)\n\t(uc 250)\n\t(s 4294966996)\n\t(us 60000)\n\t(i 4294967295)"
              "\n\t(ui 4000000000)\n\t(l 4294897296)\n\t(ul 3000000000)\n\t(ratio -0.125)\n\t(text \"tab\\there\")"
              "\n\t(mode HALTED)"
              "\n\t(child Probe\n\t\t(label 4)\n\t\t(colour RED)\n\t\t(next))"
              "\n\t(peer Probe\n\t\t(label 5)\n\t\t(colour RED)\n\t\t(next)))");
    BasePtr back;
    ASSERT_EQ(SetFromIoItem(GetIoItemFrom(BasePtr(g)), back), 0);
    GaugePtr b(back);
    ASSERT_TRUE(b.Ok());
    EXPECT_NE(b.GetPtr(), g.GetPtr());
    EXPECT_EQ(b->c, -3);
    EXPECT_EQ(b->uc, 250);
    EXPECT_EQ(b->s, -300);
    EXPECT_EQ(b->us, 60000);
    EXPECT_EQ(b->i, -1);
    EXPECT_EQ(b->ui, 4000000000U);
    EXPECT_EQ(b->l, -70000);
    EXPECT_EQ(b->ul, 3000000000UL);
    EXPECT_EQ(b->text, "tab\there");
    EXPECT_EQ(b->mode, Gauge::HALTED);
    EXPECT_EQ(b->ratio, -0.125);
    EXPECT_EQ(ProbePtr(b->child)->label, 4);
    ASSERT_TRUE(b->peer.Ok());
    EXPECT_EQ(b->peer->label, 5);
    EXPECT_EQ(Text(GetIoItemFrom(back)), text);
}

TEST(IoConvert, FloatingPointNumbersAsTheirShortestDecimalText) {
    struct Case {
        double value;
        const char* text;
    };
    for (const Case& c : {Case{20.5, "(20.5)"}, Case{-0.125, "(-0.125)"}, Case{0.1, "(0.1)"}, Case{1e300, "(1e+300)"},
                          Case{0, "(0)"}}) {
        ExpectRoundTrip<double>(c.value, c.text);
    }
    ExpectRoundTrip<float>(0.1F, "(0.1)");
    ExpectRoundTrip<long double>(2.5L, "(2.5)");
    double d = 1;
    EXPECT_EQ(SetFromIoItem(List({Int(7)}), d), 0);
    EXPECT_EQ(d, 7);
    EXPECT_EQ(SetFromIoItem(List({Str("-3.5")}), d), 0);
    EXPECT_EQ(d, -3.5);
    for (const char* bad : {"", "1.5x", "x", " 1", "1 "}) {
        d = 1;
        EXPECT_EQ(SetFromIoItem(List({Id(bad)}), d), 1) << bad;
        EXPECT_EQ(d, 1) << bad;
    }
}
