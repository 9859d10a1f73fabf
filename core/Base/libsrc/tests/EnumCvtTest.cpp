// Enumeration converters: tables exactly as declared, lookups both ways,
// the cursor, and the conversions of enumeration values.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "BasePktCtrl.h"
#include "CoreTestClasses.h"
#include "PipePktBufr.h"
#include "IoTestTrees.h"
#include "SeqEnumCvt.h"
#include "TextTestClasses.h"

namespace {

using Rows = std::vector<std::pair<int, std::string>>;

// Every row by walking the cursor.
Rows Walk(const BaseEnumCvtPtr& cvt) {
    Rows rows;
    for (cvt->First(); cvt->Eol() == 0; cvt->Next()) {
        int v = 12345;
        EXPECT_EQ(cvt->GetValue(v), 0);
        rows.emplace_back(v, cvt->GetString().StrVal());
    }
    return rows;
}

}  // namespace

TEST(EnumCvt, TablesHoldExactlyTheDeclaredRowsInOrder) {
    struct Case {
        const char* what;
        BaseEnumCvtPtr cvt;
        Rows rows;
    };
    const Case cases[] = {
        {"Colour", Probe::GetColourCvtPtr(), {{1, "RED"}, {2, "BLUE"}}},
        {"Mode", Gauge::GetModeCvtPtr(), {{0, "IDLE"}, {1, "RUNNING"}, {7, "HALTED"}}},
        {"enMaxValues", Gauge::GetEnMaxValuesCvtPtr(), {{-1, "MSECSTONEXTTIMERMAX"}}},
        {"Shade", Gauge::GetShadeCvtPtr(), {{1, "PALE"}, {2, "DARK"}}},
        {"Lean", Gauge::GetLeanCvtPtr(), {{-1, "BACKWARD"}}},
        {"enDirection", BasePktCtrl::GetEnDirectionCvtPtr(), {{0, "BADDIR"}, {1, "INTOPKT"}, {2, "OUTOFPKT"}}},
        {"enSize", PipePktBufr::GetEnSizeCvtPtr(), {{512, "DATASIZE"}}},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(SeqEnumCvtPtr(c.cvt).Ok()) << c.what;
        EXPECT_EQ(Walk(c.cvt), c.rows) << c.what;
        for (const auto& [value, name] : c.rows) {
            EXPECT_EQ(c.cvt->GetStr(value), name.c_str()) << c.what;
            int v = 12345;
            EXPECT_EQ(c.cvt->GetValue(v, bStr(name.c_str())), 0) << c.what;
            EXPECT_EQ(v, value) << c.what;
        }
    }
}

TEST(EnumCvt, UnknownValuesAndNamesAreNotFound) {
    BaseEnumCvtPtr cvt = Gauge::GetModeCvtPtr();
    EXPECT_EQ(cvt->GetStr(2), "");
    EXPECT_EQ(cvt->GetStr(-1), "");
    for (const char* name : {"halted", "HALTED ", "HALT", "", "IDLEX"}) {
        int v = 99;
        EXPECT_EQ(cvt->GetValue(v, bStr(name)), 1) << name;
        EXPECT_EQ(v, 99) << name;
    }
    int v = 99;
    EXPECT_EQ(cvt->GetValue(v, bStr()), 1);
    EXPECT_EQ(v, 99);
}

TEST(EnumCvt, CursorStopsAtTheEndAndLookupsLeaveIt) {
    BaseEnumCvtPtr cvt = Gauge::GetModeCvtPtr();
    EXPECT_EQ(cvt->GetIndex(), 0);
    cvt->Next();
    EXPECT_EQ(cvt->GetString(), "RUNNING");
    EXPECT_EQ(cvt->GetStr(7), "HALTED");
    EXPECT_EQ(cvt->GetIndex(), 1);  // lookups do not move the cursor
    cvt->Next();
    cvt->Next();
    EXPECT_EQ(cvt->Eol(), 1);
    EXPECT_EQ(cvt->GetIndex(), 3);
    cvt->Next();
    EXPECT_EQ(cvt->GetIndex(), 3);
    EXPECT_EQ(cvt->GetString(), "");
    int v = 99;
    EXPECT_EQ(cvt->GetValue(v), 1);
    EXPECT_EQ(v, 99);

    // Each getter call gives a converter with its own cursor.
    BaseEnumCvtPtr other = Gauge::GetModeCvtPtr();
    EXPECT_NE(other.GetPtr(), cvt.GetPtr());
    EXPECT_EQ(other->GetIndex(), 0);
}

TEST(EnumCvt, CursorOutsideTheTableReadsAsTheEnd) {
    SeqEnumCvtPtr cvt(Gauge::GetModeCvtPtr());
    for (int index : {-1, -100, 3, 1000}) {
        cvt->SetIndex(index);
        EXPECT_EQ(cvt->GetIndex(), index);
        EXPECT_EQ(cvt->Eol(), 1) << index;
        EXPECT_EQ(cvt->GetString(), "") << index;
        int v = 99;
        EXPECT_EQ(cvt->GetValue(v), 1) << index;
        cvt->Next();
        EXPECT_EQ(cvt->GetIndex(), index) << index;  // Next moves only inside the table
    }
}

TEST(EnumCvt, EmptyAndDuplicatedTables) {
    for (SeqEnumCvtPtr cvt : {SeqEnumCvt::Create(nullptr, 0), SeqEnumCvtPtr(new SeqEnumCvt())}) {
        EXPECT_EQ(cvt->Eol(), 1);
        EXPECT_EQ(cvt->GetStr(0), "");
        int v = 5;
        EXPECT_EQ(cvt->GetValue(v, bStr("")), 1);
        EXPECT_EQ(cvt->GetValue(v), 1);
        EXPECT_EQ(v, 5);
    }
    static const EnumCvtEnt dup[] = {{1, "FIRST"}, {1, "SECOND"}, {2, "FIRST"}};
    SeqEnumCvtPtr cvt = SeqEnumCvt::Create(dup, 3);
    EXPECT_EQ(cvt->GetStr(1), "FIRST");
    int v = 0;
    EXPECT_EQ(cvt->GetValue(v, bStr("FIRST")), 0);
    EXPECT_EQ(v, 1);
    EXPECT_EQ(cvt->GetEnumCvtTbl(), dup);
    EXPECT_EQ(cvt->GetEnumCvtTblSz(), 3);
}

TEST(EnumCvt, ConverterCarriesNothingInItsTree) {
    BaseEnumCvtPtr cvt = Gauge::GetModeCvtPtr();
    EXPECT_EQ(Text(cvt->GetIoItemFrom()), "(SeqEnumCvt)");
    EXPECT_EQ(cvt->SetFromIoItem(List({List({Id("index"), Int(2)})})), 0);
    EXPECT_EQ(cvt->GetIndex(), 0);
}

TEST(EnumCvt, EnumerationValuesConvertByNameOrNumber) {
    EXPECT_EQ(Text(GetIoItemFrom(Gauge::HALTED)), "(HALTED)");
    EXPECT_EQ(Text(GetIoItemFrom(static_cast<Gauge::Mode>(5))), "(5)");
    EXPECT_EQ(Text(GetIoItemFrom(Gauge::MSECSTONEXTTIMERMAX)), "(MSECSTONEXTTIMERMAX)");
    EXPECT_EQ(Text(GetIoItemFrom(-7, Gauge::GetEnMaxValuesCvtPtr())), "(4294967289)");

    struct Case {
        const char* what;
        IoItemPtr tree;
        int rc;
        int value;  // afterwards; starts at 99
    };
    const Case cases[] = {
        {"name", List({Id("RUNNING")}), 0, 1},
        {"name as a string", List({Str("HALTED")}), 0, 7},
        {"named number", List({Int(7)}), 0, 7},
        {"unnamed number", List({Int(12345)}), 0, 12345},
        {"negative number", List({Int(4294967295UL)}), 0, -1},
        {"unknown name", List({Id("STOPPED")}), 1, 99},
        {"name in small letters", List({Id("running")}), 1, 99},
        {"list head", List({List({Id("IDLE")})}), 1, 99},
        {"bare atom", Id("IDLE"), 1, 99},
        {"empty list", Nil(), 1, 99},
        {"null", IoItemPtr(), 1, 99},
    };
    for (const Case& c : cases) {
        int v = 99;
        EXPECT_EQ(SetFromIoItem(c.tree, v, Gauge::GetModeCvtPtr()), c.rc) << c.what;
        EXPECT_EQ(v, c.value) << c.what;
        // The enumeration's own reader: a fixed underlying type holds every int.
        Gauge::Mode m = static_cast<Gauge::Mode>(99);
        EXPECT_EQ(SetFromIoItem(c.tree, m), c.rc) << c.what;
        EXPECT_EQ(static_cast<int>(m), c.value) << c.what;
    }
    // Without a converter only numbers read.
    int v = 0;
    EXPECT_EQ(SetFromIoItem(List({Id("IDLE")}), v, BaseEnumCvtPtr()), 1);
    EXPECT_EQ(SetFromIoItem(List({Int(3)}), v, BaseEnumCvtPtr()), 0);
    EXPECT_EQ(v, 3);
}

TEST(EnumCvt, NumberOutsideTheRangeOfAPlainEnumerationIsRefused) {
    // Shade's named values 1 and 2 give it the range 0..3; Lean's -1 the
    // range -1..0.
    struct Case {
        unsigned long number;
        int rc;
    };
    for (const Case& c : {Case{0, 0}, Case{3, 0}, Case{2, 0}, Case{4, 1}, Case{4294967295UL, 1}}) {
        Gauge::Shade s = Gauge::PALE;
        EXPECT_EQ(SetFromIoItem(List({Int(c.number)}), s), c.rc) << c.number;
        EXPECT_EQ(static_cast<unsigned long>(s), c.rc == 0 ? c.number : 1UL) << c.number;
    }
    for (const Case& c : {Case{0, 0}, Case{4294967295UL, 0}, Case{1, 1}, Case{4294967294UL, 1}}) {
        Gauge::Lean m = Gauge::BACKWARD;
        EXPECT_EQ(SetFromIoItem(List({Int(c.number)}), m), c.rc) << c.number;
    }
}
