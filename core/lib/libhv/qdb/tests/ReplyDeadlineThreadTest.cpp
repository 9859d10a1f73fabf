// The time limit on a wait for replies: its watcher thread removes the
// mailbox once the limit passes, which ends a receive that would wait for
// ever; a watch that ends in time leaves the mailbox alone.
#include "ChildReport.h"
#include "OneSystemFixture.h"
#include "ProxyPostOffice.h"
#include "ReplyDeadline.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class ReplyDeadlineThreads : public qdbfixture::OneSystemTest {};

TEST_F(ReplyDeadlineThreads, TheLimitEndsAWaitingReceiveAndAnEarlyEndKeepsTheMailbox) {
    const std::string note = Client([] {
        ProxyPostOffice po;
        std::string out;
        po.CreateMailBox("silentbox");
        {
            ReplyDeadline deadline("silentbox", 200);
            MessagePtr got = po.RcvFromMbox("silentbox", 1);
            out += std::to_string(static_cast<int>(got->GetLastErr())) + (deadline.Expired() ? " expired" : " running");
        }
        po.CreateMailBox("answeredbox");
        {
            ReplyDeadline deadline("answeredbox", 60000);
            out += deadline.Expired() ? " expired" : " running";
        }
        po.SendToMboxAsynch("NODE1", "answeredbox", MessagePtr(new Message("kept")));
        MessagePtr got = po.RcvFromMbox("answeredbox", 1);
        return out + " " + std::string(got->GetDataStr().StrVal());
    });
    EXPECT_EQ(note, std::to_string(static_cast<int>(Message::NOSUCHMBOX)) + " expired running kept");
}

}  // namespace
