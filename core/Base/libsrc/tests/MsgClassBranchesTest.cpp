// A handler's branches by message class: the first branch whose class the
// message is of, whether found by trying the classes in turn (traced) or
// looked up for a class met before; a class no branch takes finds none.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "FuncInfo.h"
#include "MsgClassBranches.h"
#include "RuntimeTestClasses.h"

namespace {

struct TraceOff {
    TraceOff() { FuncInfo::SetTraceFlag(-1); }
    ~TraceOff() { FuncInfo::SetTraceFlag(0); }
};

BaseMsgPtr Msg(BaseMsg* m) { return BaseMsgPtr(m); }

}  // namespace

TEST(MsgClassBranches, FirstBranchInOrderTakesTheMessageEveryTime) {
    TraceOff off;
    // SubNoticeMsg derives from NoticeMsg: the branch listed first wins.
    MsgClassBranches baseFirst{PingReqMsg::ClassCode, NoticeMsg::ClassCode, SubNoticeMsg::ClassCode};
    MsgClassBranches exactFirst{SubNoticeMsg::ClassCode, NoticeMsg::ClassCode, BaseReqMsg::ClassCode};
    struct Case {
        BaseMsg* msg;
        int baseFirst;
        int exactFirst;
    } cases[] = {
        {new PingReqMsg(), 0, 2},  {new NoticeMsg(), 1, 1}, {new SubNoticeMsg(), 1, 0},
        {new PingRspMsg(), -1, -1}, {new WrapperMsg(), -1, -1},
    };
    for (const Case& c : cases) {
        const BaseMsgPtr m = Msg(c.msg);
        SCOPED_TRACE(m->GetClassName());
        // The first call learns the class, the second looks it up.
        for (int round = 0; round < 2; ++round) {
            EXPECT_EQ(baseFirst.Find(m), c.baseFirst);
            EXPECT_EQ(exactFirst.Find(m), c.exactFirst);
        }
        EXPECT_EQ(baseFirst.TryInTurn(m), c.baseFirst);
        EXPECT_EQ(exactFirst.TryInTurn(m), c.exactFirst);
    }
    EXPECT_EQ(baseFirst.Find(BaseMsgPtr()), -1);
}

TEST(MsgClassBranches, TracedTheTypeTestsShowInOrderUntilOneTakesIt) {
    MsgClassBranches branches{PingReqMsg::ClassCode, NoticeMsg::ClassCode};
    const BaseMsgPtr notice = Msg(new NoticeMsg());
    {
        TraceOff off;
        ASSERT_EQ(branches.Find(notice), 1);  // learned while off
    }
    setenv("MXRFUNCTRACE", "YES", 1);
    FuncInfo::SetTraceFlag(0);
    ::testing::internal::CaptureStderr();
    const int branch = branches.Find(notice);
    const std::string out = ::testing::internal::GetCapturedStderr();
    unsetenv("MXRFUNCTRACE");
    FuncInfo::SetTraceFlag(0);
    EXPECT_EQ(branch, 1);
    // Both classes are tried, each through the message's pointer.
    const std::string test1 = "Entering: NoticeMsg::IsOfType()\n";
    const std::size_t first = out.find(test1);
    ASSERT_NE(first, std::string::npos) << out;
    EXPECT_NE(out.find(test1, first + test1.size()), std::string::npos) << out;
    EXPECT_NE(out.find("Entering: BaseMsgPtr::operator->()\n"), std::string::npos) << out;
}
