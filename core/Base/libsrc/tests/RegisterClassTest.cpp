// The class registry: growth of the code table, lookups by code and by name.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "CoreTestClasses.h"
#include "RegisterClass.h"

namespace {

BaseVirtItem* MakeNothing() { return nullptr; }

// Swaps the process's registry for an empty one for the life of the fixture,
// so growth can be watched from the start; the real table comes back after.
class EmptyRegistry : public ::testing::Test {
protected:
    void SetUp() override {
        savedTable = RegisterClass::GetClassListPtr();
        savedSize = RegisterClass::GetClassListSize();
        RegisterClass::SetClassListPtr(nullptr);
        RegisterClass::SetClassListSize(0);
    }
    void TearDown() override {
        RegisterClass::SetClassListPtr(savedTable);
        RegisterClass::SetClassListSize(savedSize);
    }
    RegisterClass** savedTable = nullptr;
    int savedSize = 0;
};

}  // namespace

TEST_F(EmptyRegistry, LookupsBeforeAnyRegistrationAreNull) {
    EXPECT_EQ(RegisterClass::GetRegisterClassEntryFrmId(16), nullptr);
    EXPECT_EQ(RegisterClass::GetRegisterClassEntryFrmId(0), nullptr);
    EXPECT_EQ(RegisterClass::GetRegisterClassEntryFromName("BaseVirtItem"), nullptr);
}

TEST_F(EmptyRegistry, TableGrowsInStepsOf64AndKeepsEveryEntry) {
    static int code1 = 1, code63 = 63, code64 = 64, code130 = 130;
    static RegisterClass one("One", code1, &MakeNothing);
    EXPECT_EQ(RegisterClass::GetClassListSize(), 64);
    static RegisterClass sixtyThree("SixtyThree", code63, &MakeNothing);
    EXPECT_EQ(RegisterClass::GetClassListSize(), 64);
    RegisterClass** first = RegisterClass::GetClassListPtr();

    static RegisterClass sixtyFour("SixtyFour", code64, &MakeNothing);
    EXPECT_EQ(RegisterClass::GetClassListSize(), 128);
    RegisterClass** second = RegisterClass::GetClassListPtr();
    EXPECT_NE(first, second);
    for (int i = 0; i < 128; ++i) {
        RegisterClass* expect = i == 1 ? &one : i == 63 ? &sixtyThree : i == 64 ? &sixtyFour : nullptr;
        EXPECT_EQ(second[i], expect) << "slot " << i;
    }

    static RegisterClass big("OneThirty", code130, &MakeNothing);
    EXPECT_EQ(RegisterClass::GetClassListSize(), 192);
    EXPECT_EQ(RegisterClass::GetRegisterClassEntryFrmId(1), &one);
    EXPECT_EQ(RegisterClass::GetRegisterClassEntryFrmId(63), &sixtyThree);
    EXPECT_EQ(RegisterClass::GetRegisterClassEntryFrmId(64), &sixtyFour);
    EXPECT_EQ(RegisterClass::GetRegisterClassEntryFrmId(130), &big);
    EXPECT_EQ(RegisterClass::GetRegisterClassEntryFromName("SixtyThree"), &sixtyThree);
    EXPECT_EQ(RegisterClass::GetRegisterClassEntryFromName("OneThirty"), &big);
}

TEST_F(EmptyRegistry, SameNameAgainReplacesTheRecord) {
    static int codeA = 5, codeB = 5;
    static RegisterClass a("Same", codeA, &MakeNothing);
    static RegisterClass b("Same", codeB, &MakeNothing);
    EXPECT_EQ(RegisterClass::GetRegisterClassEntryFrmId(5), &b);
    EXPECT_EQ(RegisterClass::GetRegisterClassEntryFromName("Same"), &b);
}

// Two classes under one code would read each other's bytes: the process stops
// at load, naming both.
TEST(RegisterClassDeathTest, CodeHeldUnderAnotherNameStopsTheProcessNamingBoth) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    static int taken = Dog::ClassCode;
    EXPECT_DEATH({ RegisterClass intruder("Intruder", taken, &MakeNothing); },
                 "class code 203 of \"Intruder\" is already held by \"Dog\"");
}

TEST(RegisterClass, LookupByCodeIsNullOutsideTheTableAndForUnusedCodes) {
    const int size = RegisterClass::GetClassListSize();
    ASSERT_GE(size, 256);  // the test classes use codes up to 205
    const int cases[] = {-1, -1000, size, size + 1, 1 << 30, 0, 113, 120, 133};
    for (int id : cases) EXPECT_EQ(RegisterClass::GetRegisterClassEntryFrmId(id), nullptr) << id;
    RegisterClass* root = RegisterClass::GetRegisterClassEntryFrmId(16);
    ASSERT_NE(root, nullptr);
    EXPECT_STREQ(root->GetClassName(), "BaseVirtItem");
    EXPECT_EQ(&root->GetClassId(), &BaseVirtItem::ClassCode);
}

TEST(RegisterClass, LookupByNameIsExactAndSkipsAbstractClasses) {
    struct Case {
        const char* name;
        int code;  // -1: not found
    };
    const Case cases[] = {
        {"BaseVirtItem", 16}, {"Puppy", 204}, {"Dog", 203}, {"Cat", 205},  {"Probe", 201},
        {"puppy", -1},        {"Pupp", -1},   {"Puppy ", -1}, {"", -1},    {"Animal", -1},
        {"IoItem", -1},       {"Unknown", -1},
    };
    for (const Case& c : cases) {
        RegisterClass* rec = RegisterClass::GetRegisterClassEntryFromName(c.name);
        if (c.code < 0) {
            EXPECT_EQ(rec, nullptr) << c.name;
        } else {
            ASSERT_NE(rec, nullptr) << c.name;
            EXPECT_EQ(rec->GetClassId(), c.code);
            EXPECT_STREQ(rec->GetClassName(), c.name);
        }
    }
    EXPECT_EQ(RegisterClass::GetRegisterClassEntryFromName(nullptr), nullptr);
}

TEST(RegisterClass, EveryRegisteredClassIsFoundByCodeAndByNameAndBuildsItsClassUnlessLocal) {
    RegisterClass** table = RegisterClass::GetClassListPtr();
    const int size = RegisterClass::GetClassListSize();
    ASSERT_NE(table, nullptr);
    std::set<std::string> names;
    for (int code = 0; code < size; ++code) {
        RegisterClass* rec = table[code];
        if (rec == nullptr) continue;
        SCOPED_TRACE(rec->GetClassName());
        names.insert(rec->GetClassName());
        EXPECT_EQ(RegisterClass::GetRegisterClassEntryFrmId(code), rec);
        EXPECT_EQ(RegisterClass::GetRegisterClassEntryFromName(rec->GetClassName()), rec);
        EXPECT_EQ(rec->GetClassId(), code);
        EXPECT_EQ(rec->IsOfType(code), 1);
        EXPECT_EQ(rec->IsOfType(BaseVirtItem::ClassCode), 1);
        if (rec->GetWireKind() == MxrWireKind::Local) {
            // Nothing a decoder could call.
            EXPECT_EQ(rec->GetNewFuncPtr(), nullptr);
            continue;
        }
        BasePtr made(rec->GetNewFuncPtr()());
        ASSERT_TRUE(made.Ok());
        EXPECT_EQ(made->GetTypeId(), code);
        EXPECT_STREQ(made->GetClassName(), rec->GetClassName());
        // The record's type test is the object's.
        for (int id = 0; id < size; ++id) EXPECT_EQ(rec->IsOfType(id), made->IsOfType(id)) << id;
    }
    // The library's own classes are among them, and the four concrete test classes.
    for (const char* name : {"BaseVirtItem", "PipePktCtrl", "IoCons", "IoInt", "SeqEnumCvt", "Probe", "Dog", "Puppy", "Cat"})
        EXPECT_TRUE(names.count(name)) << name;
}

// A class registered after the first lookup by name (a library loaded later)
// is found by name too.
TEST(RegisterClass, LateRegistrationIsFoundByName) {
    ASSERT_NE(RegisterClass::GetRegisterClassEntryFromName("Dog"), nullptr);  // index built
    static int lateCode = 240;
    static RegisterClass late("LateComer", lateCode, &MakeNothing);
    EXPECT_EQ(RegisterClass::GetRegisterClassEntryFromName("LateComer"), &late);
    EXPECT_EQ(RegisterClass::GetRegisterClassEntryFrmId(240), &late);
    late.SetClassName("LateComerRenamed");
    EXPECT_EQ(RegisterClass::GetRegisterClassEntryFromName("LateComer"), nullptr);
    EXPECT_EQ(RegisterClass::GetRegisterClassEntryFromName("LateComerRenamed"), &late);
    // Leave the shared registry as the other tests expect it.
    RegisterClass::GetClassListPtr()[240] = nullptr;
    RegisterClass::SetClassListSize(RegisterClass::GetClassListSize());
}

TEST(RegisterClass, RecordReadsAndWritesTheClassCodeThroughItsReference) {
    static int code = 7;
    static int other = 9;
    RegisterClass** savedTable = RegisterClass::GetClassListPtr();
    const int savedSize = RegisterClass::GetClassListSize();
    RegisterClass::SetClassListPtr(nullptr);
    RegisterClass::SetClassListSize(0);
    static RegisterClass rec("Seven", code, &MakeNothing);
    rec.SetClassId(other);
    EXPECT_EQ(code, 9);  // the class's variable took the value
    EXPECT_EQ(&rec.GetClassId(), &code);
    EXPECT_EQ(RegisterClass::GetRegisterClassEntryFrmId(7), &rec);  // the slot did not move
    EXPECT_EQ(RegisterClass::GetRegisterClassEntryFrmId(9), nullptr);
    rec.SetNewFuncPtr(&BaseVirtItem::GetNewBaseVirtItemClass);
    EXPECT_EQ(rec.GetNewFuncPtr(), &BaseVirtItem::GetNewBaseVirtItemClass);
    RegisterClass::SetClassListPtr(savedTable);
    RegisterClass::SetClassListSize(savedSize);
}

TEST(RegisterClassDeathTest, NegativeCodeStopsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    static int negative = -3;
    EXPECT_DEATH({ RegisterClass bad("Bad", negative, &MakeNothing); }, "classId >= 0, file RegisterClass");
}
