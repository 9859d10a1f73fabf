// The post office's operations as one table: the mailboxes before, one request
// from a client, the answers that leave through the pipes (in order), the
// mailboxes after and what was reported on stderr.
#include <gtest/gtest.h>

#include "PostOfficeWorld.h"

using namespace mxrtest;

namespace {

struct Case {
    const char* title;
    const char* before;
    const char* from;
    const char* request;
    std::vector<std::string> answers;
    const char* after;
    const char* log;
};

const char* const kRemoved = "PostOffice::RemoveMailBox() discarding messages\n";
const char* const kRemovedReq = "PostOffice::RemoveMailBox() discarding requests\n";

std::string Times(int n, const char* line) {
    std::string s;
    for (int i = 0; i < n; ++i) s += line;
    return s;
}

const std::vector<Case>& Cases() {
    static const std::vector<Case> cases = {
        // ---- create
        {"create makes an empty mailbox at the end", "a:|", "c1", "create box", {"c1 Create 0"}, "a:| box:|", ""},
        {"create of an existing mailbox keeps its messages",
         "box:m1|",
         "c1",
         "create box",
         {"c1 Create 1"},
         "box:m1|",
         ""},
        {"create of an existing mailbox keeps its waiting receives",
         "box:|r:c2",
         "c1",
         "create box",
         {"c1 Create 1"},
         "box:|r:c2",
         ""},
        {"a null name is the empty name", ":|", "c1", "create <null>", {"c1 Create 1"}, ":|", ""},
        // ---- remove
        {"remove of an unknown mailbox answers 0", "a:|", "c1", "remove box", {"c1 Remove 0"}, "a:|", ""},
        {"remove discards queued messages, one line each",
         "a:| box:m1,m2,m3| b:|",
         "c1",
         "remove box",
         {"c1 Remove 0"},
         "a:| b:|",
         "3x"},
        {"remove answers the waiting receives (no such mailbox) before the remover",
         "box:|r:c1,h:c2@NODEB",
         "cR",
         "remove box",
         {"c1 Rcv 1 - x", "c2 HRcv 1 - NODEB x", "cR Remove 0"},
         "",
         "2r"},
        // ---- send
        {"send to an unknown mailbox answers 1 and drops the message",
         "a:|",
         "c1",
         "send box m1",
         {"c1 Send 1"},
         "a:|",
         ""},
        {"send queues at the tail", "box:m1|", "c1", "send box m2", {"c1 Send 0"}, "box:m1,m2|", ""},
        {"send hands the message to the oldest waiting receive, answered first",
         "box:|r:c1,r:c2",
         "cR",
         "send box m1",
         {"c1 Rcv 0 m1 x", "cR Send 0"},
         "box:|r:c2",
         ""},
        {"send answers a waiting host-bound receive with the message",
         "box:|h:c1@NODEB",
         "cR",
         "send box m1",
         {"c1 HRcv 0 m1 NODEB x", "cR Send 0"},
         "box:|",
         ""},
        {"send passes over a receive whose client has gone",
         "box:|r:cG,r:c1",
         "c2",
         "send box m1",
         {"c1 Rcv 0 m1 x", "c2 Send 0"},
         "box:|",
         "PostOffice::SendToMbox() discarding request of unreachable client \"NODEA\" 999 9 in mailbox \"box\"\n"},
        {"send passes over a receive from a host that is not alive and queues",
         "box:|r:cD",
         "c1",
         "send box m1",
         {"c1 Send 0"},
         "box:m1|",
         "PostOffice::SendToMbox() discarding request of unreachable client \"NODED\" 666 6 in mailbox \"box\"\n"},
        {"send passes over a receive whose answer would come back to the post office",
         "box:|r:cP",
         "c1",
         "send box m1",
         {"c1 Send 0"},
         "box:m1|",
         "PostOffice::SendToMbox() discarding request of unreachable client \"NODEA\" 0 0 in mailbox \"box\"\n"},
        {"a send from another host reaches a local receive",
         "box:|r:c1",
         "cR",
         "send box m9",
         {"c1 Rcv 0 m9 x", "cR Send 0"},
         "box:|",
         ""},
        // ---- asynchronous send
        {"asynchronous send answers the receiver only",
         "box:|r:c1",
         "c2",
         "async box m1",
         {"c1 Rcv 0 m1 x"},
         "box:|",
         ""},
        {"asynchronous send to an unknown mailbox is dropped silently", "a:|", "c1", "async box m1", {}, "a:|", ""},
        // ---- receive
        {"receive from an unknown mailbox answers 1", "a:m1|", "c1", "rcv box", {"c1 Rcv 1 - box"}, "a:m1|", ""},
        {"receive takes the oldest message", "box:m1,m2|", "c1", "rcv box", {"c1 Rcv 0 m1 box"}, "box:m2|", ""},
        {"receive on an empty mailbox waits", "box:|", "c1", "rcv box", {}, "box:|r:c1", ""},
        {"a second receive waits behind the first", "box:|r:c1", "c2", "rcv box", {}, "box:|r:c1,r:c2", ""},
        {"a receive from a client that has gone leaves the message",
         "box:m1|",
         "cG",
         "rcv box",
         {},
         "box:m1|",
         "PostOffice::RcvFromMbox() discarding request of unreachable client \"NODEA\" 999 9 in mailbox \"box\"\n"},
        {"a receive from a client that has gone does not wait",
         "box:|",
         "cG",
         "rcv box",
         {},
         "box:|",
         "PostOffice::RcvFromMbox() discarding request of unreachable client \"NODEA\" 999 9 in mailbox \"box\"\n"},
        // ---- host-bound receive
        {"host-bound receive from an unknown mailbox answers 1",
         "a:|",
         "c1",
         "hrcv NODEB box",
         {"c1 HRcv 1 - NODEB box"},
         "a:|",
         ""},
        {"host-bound receive takes a queued message even when the host is not alive",
         "box:m1|",
         "c1",
         "hrcv NODED box",
         {"c1 HRcv 0 m1 NODED box"},
         "box:|",
         ""},
        {"host-bound receive waits while the host is alive",
         "box:|",
         "c1",
         "hrcv NODEB box",
         {},
         "box:|h:c1@NODEB",
         ""},
        {"host-bound receive is answered -1 at once when the host is not alive",
         "box:|",
         "c1",
         "hrcv NODED box",
         {"c1 HRcv -1 - NODED box"},
         "box:|",
         ""},
        {"host-bound receive for an unknown host is answered -1 at once",
         "box:|",
         "c1",
         "hrcv NODEX box",
         {"c1 HRcv -1 - NODEX box"},
         "box:|",
         ""},
        // ---- questions
        {"a host with a live path is alive", "", "c1", "alive NODEB", {"c1 Alive 0"}, "", ""},
        {"this host is alive", "", "c1", "alive NODEA", {"c1 Alive 0"}, "", ""},
        {"a host without a live path is not", "", "c1", "alive NODED", {"c1 Alive 1"}, "", ""},
        {"empty: unknown mailbox", "a:|", "c1", "empty box", {"c1 Empty -1"}, "a:|", ""},
        {"empty: messages waiting", "box:m1|", "c1", "empty box", {"c1 Empty 1"}, "box:m1|", ""},
        {"empty: only waiting receives", "box:|r:c2", "c1", "empty box", {"c1 Empty 0"}, "box:|r:c2", ""},
        {"can talk: the empty name, no mailbox at all", "", "c1", "cantalk ''", {"c1 CanTalk 0"}, "", ""},
        {"can talk: the null name", "", "c1", "cantalk <null>", {"c1 CanTalk 0"}, "", ""},
        {"can talk: an existing mailbox",
         "_CaN_tAlK_:|",
         "cR",
         "cantalk _CaN_tAlK_",
         {"cR CanTalk 0"},
         "_CaN_tAlK_:|",
         ""},
        {"can talk: an unknown mailbox", "a:|", "c1", "cantalk box", {"c1 CanTalk 1"}, "a:|", ""},
        // ---- listing
        {"the listing of no mailbox is its first line",
         "",
         "c1",
         "list",
         {"c1 List 0 There are 0 mailboxe(s)\n"},
         "",
         ""},
        {"the listing counts messages and waiting receives per mailbox",
         "a:m1,m2| b:|r:c1,h:c2@NODEB :|",
         "c1",
         "list",
         {"c1 List 0 There are 3 mailboxe(s)\na: 2 msg(s), 0 req(s)\nb: 0 msg(s), 2 req(s)\n: 0 msg(s), 0 req(s)\n"},
         "a:m1,m2| b:|r:c1,h:c2@NODEB :|",
         ""},
    };
    return cases;
}

}  // namespace

TEST(PostOfficeCases, EachRequestFromEachState) {
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.title);
        PostOfficeWorld w;
        w.Setup(c.before);
        ASSERT_EQ(w.State(), c.before);
        const std::string log = w.Deliver(PostOfficeWorld::Request(c.from, c.request));
        EXPECT_EQ(w.Answers(), c.answers);
        EXPECT_EQ(w.State(), c.after);
        std::string expectLog = c.log;
        if (expectLog == "3x") expectLog = Times(3, kRemoved);
        if (expectLog == "2r") expectLog = Times(2, kRemovedReq);
        EXPECT_EQ(log, expectLog);
    }
}
