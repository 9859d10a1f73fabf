// Twenty thousand mailboxes: each found by its name, listed in the order
// created, and a removed name free for a new mailbox at the end of the list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PostOfficeWorld.h"

using namespace mxrtest;

namespace {

std::vector<std::string> Listing(PostOffice& po) {
    std::vector<std::string> names;
    MailBoxLstIter it(po.GetMailBoxLst());
    for (MailBoxPtr b = it.First(); b.GetPtr() != nullptr; b = it.Next()) names.emplace_back(b->GetMboxName().StrVal());
    return names;
}

TEST(PostOfficeManyMailBoxes, FoundByNameAndListedInOrderOfCreation) {
    PostOfficeWorld w;
    constexpr int kBoxes = 20000;
    std::vector<std::string> expected;
    for (int i = 0; i < kBoxes; ++i) {
        // Names that share long prefixes and differ in case.
        expected.push_back((i % 2 ? "MBOX-" : "mbox-") + std::to_string(i));
        ASSERT_EQ(w.po.CreateMailBox(bStr(expected.back().c_str())), 0);
    }
    EXPECT_EQ(w.po.CreateMailBox(bStr("mbox-0")), 1);
    EXPECT_EQ(w.po.CanTalk(bStr("MBOX-0")), 1);  // names are exact
    for (int i = 0; i < kBoxes; i += 997) EXPECT_EQ(w.po.CanTalk(bStr(expected[i].c_str())), 0) << expected[i];
    EXPECT_EQ(Listing(w.po), expected);

    ASSERT_EQ(w.po.SendToMbox(bStr("MBOX-19999"), PostOfficeWorld::Letter("last")), 0);
    EXPECT_EQ(w.po.IsMboxEmpty(bStr("MBOX-19999")), 1);
    EXPECT_EQ(w.po.RemoveMailBox(bStr("mbox-10000")), 0);
    EXPECT_EQ(w.po.CanTalk(bStr("mbox-10000")), 1);
    EXPECT_EQ(w.po.SendToMbox(bStr("mbox-10000"), PostOfficeWorld::Letter("lost")), 1);
    EXPECT_EQ(w.po.CreateMailBox(bStr("mbox-10000")), 0);
    EXPECT_EQ(w.po.IsMboxEmpty(bStr("mbox-10000")), 0);
    expected.erase(expected.begin() + 10000);
    expected.push_back("mbox-10000");
    EXPECT_EQ(Listing(w.po), expected);
}

}  // namespace
