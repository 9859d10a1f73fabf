// Trace frames: the exact Entering/Leaving lines with MXRFUNCTRACE=YES,
// silence otherwise; the call depth counts only frames that trace.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "BasePtrLst.h"
#include "CoreTestClasses.h"
#include "FuncInfo.h"

namespace {

// Sets MXRFUNCTRACE (null: unset) and makes the next frame decide again;
// restores both afterwards.
class TraceEnv : public ::testing::Test {
protected:
    void TearDown() override {
        unsetenv("MXRFUNCTRACE");
        FuncInfo::SetTraceFlag(0);
    }
    static void Use(const char* value) {
        if (value != nullptr)
            setenv("MXRFUNCTRACE", value, 1);
        else
            unsetenv("MXRFUNCTRACE");
        FuncInfo::SetTraceFlag(0);
    }
    template <class F>
    static std::string Captured(F&& f) {
        ::testing::internal::CaptureStderr();
        f();
        return ::testing::internal::GetCapturedStderr();
    }
};

void ThreeNestedFrames(int* depths) {
    MXR_FRAME("Outer", "f", 0, "Outer.c");
    depths[0] = FuncInfo::GetCallListSz();
    {
        MXR_FRAME("BasePtrLst", "Append", 2, "BasePtrLst.c");
        depths[1] = FuncInfo::GetCallListSz();
        {
            MXR_FRAME("Inner", "g", 3, "Inner.c");
            depths[2] = FuncInfo::GetCallListSz();
        }
    }
}

void Nest(int n) {
    MXR_FRAME("N", "f", 0, "N.c");
    if (n > 1) Nest(n - 1);
}

}  // namespace

TEST_F(TraceEnv, OffUnlessTheVariableIsExactlyYES) {
    const char* values[] = {nullptr, "", "yes", "YES ", " YES", "Y", "YESS", "1"};
    for (const char* v : values) {
        SCOPED_TRACE(v ? v : "(unset)");
        Use(v);
        int depths[3] = {};
        const int base = FuncInfo::GetCallListSz();
        EXPECT_EQ(Captured([&] { ThreeNestedFrames(depths); }), "");
        EXPECT_EQ(depths[0], base) << "no depth is counted while tracing is off";
        EXPECT_EQ(depths[2], base);
        EXPECT_EQ(FuncInfo::GetCallListSz(), base);
        EXPECT_EQ(FuncInfo::IsTraceOn(), 0);
        EXPECT_EQ(FuncInfo::GetTraceFlag(), -1);
    }
}

TEST_F(TraceEnv, PrintsIndentedEntryAndExitLines) {
    Use("YES");
    ASSERT_EQ(FuncInfo::GetCallListSz(), 0) << "no frame open around the test body";
    int depths[3] = {};
    EXPECT_EQ(Captured([&] { ThreeNestedFrames(depths); }),
              "Entering: Outer::f()\n"
              " Entering: BasePtrLst::Append(,)\n"
              "  Entering: Inner::g(,,)\n"
              "  Leaving: Inner::g(,,)\n"
              " Leaving: BasePtrLst::Append(,)\n"
              "Leaving: Outer::f()\n");
    EXPECT_EQ(depths[0], 1);
    EXPECT_EQ(depths[1], 2);
    EXPECT_EQ(depths[2], 3);
    EXPECT_EQ(FuncInfo::GetCallListSz(), 0);
    EXPECT_EQ(FuncInfo::GetTraceFlag(), 1);
}

TEST_F(TraceEnv, SwitchingInsideAFrameKeepsTheDepthBalanced) {
    Use(nullptr);
    std::string out = Captured([] {
        MXR_FRAME("Off", "f", 0, "Off.c");  // opened while off: never counted
        FuncInfo::SetTraceFlag(1);
        {
            MXR_FRAME("On", "g", 0, "On.c");
            FuncInfo::SetTraceFlag(-1);  // its exit line is not printed, its depth is undone
        }
        EXPECT_EQ(FuncInfo::GetCallListSz(), 0);
        FuncInfo::SetTraceFlag(1);
    });
    EXPECT_EQ(out, "Entering: On::g()\n");
    EXPECT_EQ(FuncInfo::GetCallListSz(), 0);
}

TEST_F(TraceEnv, AFrameEnteredWhileOffStaysSilentWhenTracingComesOnInsideIt) {
    Use(nullptr);
    FuncInfo::IsTraceOn();  // decided off: frames test the flag and do nothing else
    ASSERT_FALSE(FuncInfo::MayTrace());
    std::string out = Captured([] {
        MXR_FRAME("Quiet", "f", 0, "Quiet.c");
        FuncInfo::SetTraceFlag(1);
        { MXR_FRAME("Loud", "g", 0, "Loud.c"); }
        EXPECT_EQ(FuncInfo::GetCallListSz(), 0);
    });
    EXPECT_EQ(out, "Entering: Loud::g()\nLeaving: Loud::g()\n");
    EXPECT_EQ(FuncInfo::GetCallListSz(), 0);
}

// Far deeper than frames usually nest: every exit line at its entry's depth.
TEST_F(TraceEnv, DeepNestingKeepsEveryFramesDepth) {
    Use("YES");
    constexpr int kDepth = 300;
    const std::string out = Captured([] { Nest(kDepth); });
    std::vector<std::string> lines;
    for (std::size_t at = 0, nl; (nl = out.find('\n', at)) != std::string::npos; at = nl + 1)
        lines.push_back(out.substr(at, nl - at));
    ASSERT_EQ(lines.size(), 2u * kDepth);
    for (int d = 0; d < kDepth; ++d) {
        const std::string indent(static_cast<std::size_t>(d), ' ');
        ASSERT_EQ(lines[static_cast<std::size_t>(d)], indent + "Entering: N::f()") << d;
        ASSERT_EQ(lines[static_cast<std::size_t>(2 * kDepth - 1 - d)], indent + "Leaving: N::f()") << d;
    }
    EXPECT_EQ(FuncInfo::GetCallListSz(), 0);
}

TEST_F(TraceEnv, LibraryMembersAndCompanionsTraceUnderTheirOwnNames) {
    BasePtr dog(new Dog());
    BasePtrLst lst;
    Use("YES");
    EXPECT_EQ(Captured([&] { lst.GetItemCnt(); }),
              "Entering: BasePtrLst::GetItemCnt()\n"
              "Leaving: BasePtrLst::GetItemCnt()\n");
    // The type test walks the class chain: each level opens its own frame.
    EXPECT_EQ(Captured([&] { dog->IsOfType(Animal::ClassCode); }),
              "Entering: Dog::IsOfType()\n"
              " Entering: Animal::IsOfType()\n"
              " Leaving: Animal::IsOfType()\n"
              "Leaving: Dog::IsOfType()\n");
    EXPECT_EQ(Captured([&] { DogPtr typed(dog); }),
              "Entering: DogPtr::DogPtr()\n"
              "Leaving: DogPtr::DogPtr()\n"
              "Entering: DogPtr::~DogPtr()\n"
              "Leaving: DogPtr::~DogPtr()\n");
    // A move shows the frames a copy shows.
    DogPtr held(dog);
    EXPECT_EQ(Captured([&] { DogPtr taken(std::move(held)); }),
              "Entering: DogPtr::DogPtr()\n"
              "Leaving: DogPtr::DogPtr()\n"
              "Entering: DogPtr::~DogPtr()\n"
              "Leaving: DogPtr::~DogPtr()\n");
}

TEST_F(TraceEnv, FlagSwitchesWithoutTheEnvironmentAndResetRereadsIt) {
    Use(nullptr);
    EXPECT_EQ(FuncInfo::IsTraceOn(), 0);
    FuncInfo::SetTraceFlag(1);
    EXPECT_EQ(Captured([] { MXR_FRAME("A", "b", 1, "A.c"); }), "Entering: A::b()\nLeaving: A::b()\n");
    setenv("MXRFUNCTRACE", "YES", 1);
    FuncInfo::SetTraceFlag(-1);
    EXPECT_EQ(FuncInfo::IsTraceOn(), 0) << "decided: the environment is not read again";
    FuncInfo::SetTraceFlag(0);
    EXPECT_EQ(FuncInfo::IsTraceOn(), 1);
    FuncInfo::SetTraceFlag(7);
    EXPECT_EQ(FuncInfo::IsTraceOn(), 0);
}

TEST_F(TraceEnv, ExitLineKeepsTheDepthOfItsEntryLine) {
    Use("YES");
    std::string out = Captured([] {
        MXR_FRAME("A", "f", 0, "A.c");
        FuncInfo::SetCallListSz(FuncInfo::GetCallListSz() + 5);  // as if outer frames were open
        FuncInfo::SetCallListSz(FuncInfo::GetCallListSz() - 5);
    });
    EXPECT_EQ(out, "Entering: A::f()\nLeaving: A::f()\n");
}

TEST(FuncInfo, AccessorsReadAndWriteTheFrame) {
    FuncInfo f("C", "m", 2, "C.c", 40);
    EXPECT_STREQ(f.GetClassName(), "C");
    EXPECT_STREQ(f.GetFuncName(), "m");
    EXPECT_STREQ(f.GetFileName(), "C.c");
    EXPECT_EQ(f.GetParmCnt(), 2);
    EXPECT_EQ(f.GetLineNo(), 40);
    f.SetClassName("D");
    f.SetFuncName("n");
    f.SetFileName("D.c");
    f.SetParmCnt(0);
    f.SetLineNo(7);
    EXPECT_STREQ(f.GetClassName(), "D");
    EXPECT_STREQ(f.GetFuncName(), "n");
    EXPECT_STREQ(f.GetFileName(), "D.c");
    EXPECT_EQ(f.GetParmCnt(), 0);
    EXPECT_EQ(f.GetLineNo(), 7);
}

// A new process decides at its first frame, from its own environment.
TEST(FuncInfoDeathTest, FreshProcessReadsTheEnvironmentOnFirstUse) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("MXRFUNCTRACE", "YES", 1);
            FuncInfo::SetTraceFlag(0);
            BasePtrLst l;
            std::exit(l.GetItemCnt());
        },
        ::testing::ExitedWithCode(0), "Entering: BasePtrLst::GetItemCnt\\(\\)\nLeaving: BasePtrLst::GetItemCnt\\(\\)");
}

TEST(FuncInfo, ChangingAFramesNamesLeavesItsFunctionsNamesAlone) {
    static constexpr FuncSite site{"C", "m", "C.c", 2, 40};
    {
        FuncInfo f(site);
        f.SetClassName("D");
        EXPECT_STREQ(f.GetClassName(), "D");
        EXPECT_STREQ(f.GetFuncName(), "m") << "the other names are kept";
        EXPECT_EQ(f.GetLineNo(), 40);
    }
    FuncInfo again(site);
    EXPECT_STREQ(again.GetClassName(), "C");
}
