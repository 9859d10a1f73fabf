// The printed s-expression form: layout of lists, atoms and nested objects,
// the escape table of strings.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "CoreTestClasses.h"
#include "IoObjectCvt.h"
#include "IoTestTrees.h"
#include "PipePktCtrl.h"

TEST(IoItemDisplay, TreesPrintInTheirExactLayout) {
    struct Case {
        const char* what;
        IoItemPtr tree;
        const char* text;
    };
    const Case cases[] = {
        {"one integer", List({Int(5)}), "(5)"},
        {"empty list", Nil(), "()"},
        {"dotted pair", Cons(Id("a"), Int(5)), "(a . 5)"},
        {"atoms stay on one line", List({Id("a"), Id("b"), Id("c")}), "(a b c)"},
        {"first element list follows the parenthesis", List({List({Id("a"), Int(1)}), Id("b")}), "((a 1) b)"},
        {"later list on a new line", List({Id("a"), List({Id("b"), Int(1)}), Id("c")}), "(a\n\t(b 1) c)"},
        {"one tab per level", List({Id("k"), List({Id("x"), List({Id("y"), Int(1)})})}), "(k\n\t(x\n\t\t(y 1)))"},
        {"dotted rest", Cons(Id("a"), Cons(Id("b"), Id("c"))), "(a b . c)"},
        {"empty list as an element", List({Id("a"), Nil()}), "(a ())"},
        {"empty identifier", List({Id(""), Int(1)}), "( 1)"},
        {"string atom", List({Str("abc")}), "(\"abc\")"},
        {"largest integer", List({Int(4294967295UL)}), "(4294967295)"},
        {"holder prints its item", List({Id("a"), Local(List({Id("b")}))}), "(a\n\t(b))"},
        {"empty holder prints nothing", Local(IoItemPtr()), ""},
        {"cell without car or cdr", IoItemPtr(new IoCons()), "()"},
        {"integer's tree", IoInt(5).GetIoItemFrom(), "(IoInt\n\t(value 5))"},
        {"identifier's tree", IoIdent("abc").GetIoItemFrom(), "(IoIdent\n\t(value \"abc\"))"},
        {"string's tree", IoString("abc").GetIoItemFrom(), "(IoString\n\t(value \"abc\"))"},
        {"empty list's tree", IoNull().GetIoItemFrom(), "(IoNull)"},
        {"cell's tree", IoCons(Id("a")).GetIoItemFrom(), "(IoCons)"},
        {"holder's tree", IoLocal(Id("a")).GetIoItemFrom(), "(IoLocal)"},
        {"root object", BaseVirtItem().GetIoItemFrom(), "(BaseVirtItem)"},
    };
    for (const Case& c : cases) EXPECT_EQ(Text(c.tree), c.text) << c.what;
}

TEST(IoItemDisplay, ObjectsPrintTheirFieldsNestedObjectsAndNullPointers) {
    ProbePtr inner(new Probe(2));
    ProbePtr outer(new Probe(1));
    outer->colour = Probe::BLUE;
    outer->next = inner;
    EXPECT_EQ(Text(GetIoItemFrom(BasePtr(inner))), "(Probe\n\t(label 2)\n\t(colour RED)\n\t(next))");
    EXPECT_EQ(Text(outer->GetIoItemFrom()),
              "(Probe\n\t(label 1)\n\t(colour BLUE)\n\t(next Probe\n\t\t(label 2)\n\t\t(colour RED)\n\t\t(next)))");
    // Unnamed enumeration values print as numbers.
    inner->colour = static_cast<Probe::Colour>(3);
    EXPECT_EQ(Text(GetIoItemFrom(BasePtr(inner))), "(Probe\n\t(label 2)\n\t(colour 3)\n\t(next))");
    // A class with fields only in its bases and one with both.
    EXPECT_EQ(Text(Cat().GetIoItemFrom()), "(Cat\n\t(legs 4))");
    EXPECT_EQ(Text(Puppy().GetIoItemFrom()), "(Puppy\n\t(legs 4)\n\t(name \"rex\")\n\t(weight 20.5)\n\t(ageWeeks 8))");
    EXPECT_EQ(Text(GetIoItemFrom(BasePtr())), "()");
    // A packet controller: the base's keys first, its direction by name.
    EXPECT_EQ(Text(PipePktCtrl().GetIoItemFrom()),
              "(PipePktCtrl\n\t(direction INTOPKT)\n\t(pktCtrlId 0)\n\t(offset 0)\n\t(badFlg 0)"
              "\n\t(bufrCursor 0)\n\t(maxPktSize 520))");
}

TEST(IoItemDisplay, StringsPrintEveryByteThroughTheEscapeTable) {
    struct Case {
        const char* text;
        const char* printed;
    };
    const Case cases[] = {
        {"A", "\"A\""},          {" ", "\" \""},         {"}", "\"}\""},           {"a~b", "\"a\\176b\""},
        {"\x7f", "\"\\177\""},   {"\"", "\"\\\"\""},     {"\\", "\"\\\\\""},       {"\n", "\"\\n\""},
        {"\t", "\"\\t\""},       {"\f", "\"\\f\""},      {"\b", "\"\\b\""},        {"\r", "\"\\r\""},
        {"\x01", "\"\\001\""},   {"\x1f", "\"\\037\""},  {"\v", "\"\\013\""},      {"\x80", "\"\\200\""},
        {"\xc8", "\"\\310\""},   {"\xff", "\"\\377\""},  {"", "\"\""},
        {"say \"hi\"\n", "\"say \\\"hi\\\"\\n\""},
    };
    for (const Case& c : cases) EXPECT_EQ(Text(Str(c.text)), c.printed) << c.printed;
}

TEST(IoItemDisplay, EscapeTableHasOneRowPerByte) {
    const char(&tbl)[256][5] = IoString::GetCharCvtTbl();
    for (int b = 0; b < 256; ++b) {
        std::string expect;
        switch (b) {
            case '"': expect = "\\\""; break;
            case '\\': expect = "\\\\"; break;
            case '\n': expect = "\\n"; break;
            case '\t': expect = "\\t"; break;
            case '\f': expect = "\\f"; break;
            case '\b': expect = "\\b"; break;
            case '\r': expect = "\\r"; break;
            default:
                if (b >= 32 && b <= 125) {
                    expect = std::string(1, static_cast<char>(b));
                } else {
                    expect = {'\\', static_cast<char>('0' + b / 64), static_cast<char>('0' + b / 8 % 8),
                              static_cast<char>('0' + b % 8)};
                }
        }
        EXPECT_EQ(std::string(tbl[b]), expect) << "byte " << b;
    }
    EXPECT_EQ(&IoString::GetCharCvtTbl(), &tbl);  // filled once
}
